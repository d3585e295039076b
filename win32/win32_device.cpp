#include "win32/win32_device.h"

#include <string>

#include "win32/win32_windows.h"

namespace ql::win32 {

Handle Win32Device::CreateFile(std::string_view path, std::uint32_t access, std::uint32_t share,
                               std::uint32_t creation, std::uint32_t flags, Status* error) {
  const std::string name(path);
  HANDLE device = ::CreateFileA(name.c_str(), access, share, nullptr, creation, flags, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    StoreLastError(error);
    return kInvalidHandle;
  }
  return FromNative(device);
}

bool Win32Device::DeviceIoControl(Handle device, std::uint32_t code, const void* in,
                                  std::uint32_t inSize, void* out, std::uint32_t outSize,
                                  std::uint32_t* returned, Status* error) {
  DWORD bytes = 0;
  // The input buffer is only read; the call's signature merely lacks the const.
  const BOOL ok = ::DeviceIoControl(ToNative<HANDLE>(device), code, const_cast<void*>(in), inSize,
                                    out, outSize, &bytes, nullptr);
  if (!ok) {
    StoreLastError(error);
    return false;
  }
  if (returned != nullptr) *returned = static_cast<std::uint32_t>(bytes);
  return true;
}

bool Win32Device::CloseHandle(Handle device) {
  return ::CloseHandle(ToNative<HANDLE>(device)) != FALSE;
}

}  // namespace ql::win32
