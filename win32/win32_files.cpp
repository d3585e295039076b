#include "win32/win32_files.h"

#include <string>

#include "win32/win32_windows.h"

namespace ql::win32 {

Handle Win32Files::CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                              std::uint32_t creation, Status* error) {
  const std::string name(path);
  HANDLE file =
      ::CreateFileA(name.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    StoreLastError(error);
    return kInvalidHandle;
  }
  return FromNative(file);
}

bool Win32Files::GetFileSize(Handle file, std::uint64_t* size, Status* error) {
  DWORD high = 0;
  ::SetLastError(NO_ERROR);
  const DWORD low = ::GetFileSize(ToNative<HANDLE>(file), &high);
  // 0xFFFFFFFF is also a valid low half; only the error code tells them apart.
  if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) {
    StoreLastError(error);
    return false;
  }
  *size = static_cast<std::uint64_t>(high) << 32 | low;
  return true;
}

bool Win32Files::AppendToFile(Handle file, std::string_view data, Status* error) {
  HANDLE native = ToNative<HANDLE>(file);
  LONG high = 0;
  ::SetLastError(NO_ERROR);
  if (::SetFilePointer(native, 0, &high, FILE_END) == INVALID_SET_FILE_POINTER &&
      ::GetLastError() != NO_ERROR) {
    StoreLastError(error);
    return false;
  }
  const char* at = data.data();
  std::size_t left = data.size();
  while (left != 0) {
    DWORD written = 0;
    if (!::WriteFile(native, at, static_cast<DWORD>(left), &written, nullptr)) {
      StoreLastError(error);
      return false;
    }
    // A write that takes nothing without an error is a full disk; it would never finish.
    if (written == 0) {
      if (error != nullptr) *error = err::kDiskFull;
      return false;
    }
    at += written;
    left -= written;
  }
  return true;
}

bool Win32Files::CloseHandle(Handle file) { return ::CloseHandle(ToNative<HANDLE>(file)) != FALSE; }

}  // namespace ql::win32
