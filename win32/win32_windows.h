// <windows.h> for the Win32 implementations and the program shells, without the ANSI/wide
// name macros that would rename the platform interfaces' methods (CreateFile, MessageBox, ...)
// in one translation unit and not in another. Code that needs those calls names the A form.
#pragma once

#ifndef STRICT
#define STRICT
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#include <cstdint>
#include <type_traits>

#undef CreateEvent
#undef CreateFile
#undef CreateMutex
#undef CreateService
#undef GetDiskFreeSpace
#undef GetDriveType
#undef GetLogicalDriveStrings
#undef GetUserName
#undef GetVolumeInformation
#undef GetWindowsDirectory
#undef MessageBox
#undef QueryDosDevice
#undef ShellExecute

namespace ql::win32 {

// The platform carries handles, keys and windows as integers; these convert at the call.
template <typename T>
T ToNative(std::uintptr_t value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<T>(value);
  } else {
    return static_cast<T>(value);
  }
}

template <typename T>
std::uintptr_t FromNative(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<std::uintptr_t>(value);
  } else {
    return static_cast<std::uintptr_t>(value);
  }
}

// GetLastError() as the platform's status type, for the out-parameter when there is one.
inline void StoreLastError(std::uint32_t* error) {
  if (error != nullptr) *error = static_cast<std::uint32_t>(::GetLastError());
}

}  // namespace ql::win32
