#include "win32/win32_registry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "win32/win32_windows.h"

namespace ql::win32 {

Status Win32Registry::OpenKey(HKey parent, std::string_view subkey, std::uint32_t sam, HKey* out) {
  if (out == nullptr) return err::kInvalidParameter;
  const std::string sub(subkey);
  HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExA(ToNative<HKEY>(parent), sub.c_str(), 0, sam, &key);
  if (status == ERROR_SUCCESS) *out = FromNative(key);
  return static_cast<Status>(status);
}

Status Win32Registry::CreateKey(HKey parent, std::string_view subkey, std::string_view className,
                                std::uint32_t options, std::uint32_t sam, HKey* out,
                                std::uint32_t* disposition) {
  if (out == nullptr) return err::kInvalidParameter;
  const std::string sub(subkey);
  // The call takes the class as a writable string; an empty class is passed as none.
  std::string cls(className);
  HKEY key = nullptr;
  DWORD made = 0;
  const LONG status =
      ::RegCreateKeyExA(ToNative<HKEY>(parent), sub.c_str(), 0, cls.empty() ? nullptr : cls.data(),
                        options, sam, nullptr, &key, &made);
  if (status == ERROR_SUCCESS) {
    *out = FromNative(key);
    if (disposition != nullptr) *disposition = static_cast<std::uint32_t>(made);
  }
  return static_cast<Status>(status);
}

Status Win32Registry::QueryValue(HKey key, std::string_view name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  if (data != nullptr && size == nullptr) return err::kInvalidParameter;
  const std::string valueName(name);
  DWORD valueType = 0;
  DWORD length = size != nullptr ? *size : 0;
  // The value is read into a copy of the caller's buffer: on kMoreData the system may already
  // have written part of it, and a failed read must leave the caller's bytes as they were. On
  // success the whole copy goes back, so whatever the system wrote (a terminator past the
  // reported length included) arrives exactly as from a direct call.
  // A zero-sized buffer is still a buffer (the system answers kMoreData, not the size alone),
  // so the copy always has at least one byte to point at.
  const DWORD room = length;
  std::vector<BYTE> scratch;
  if (data != nullptr) {
    scratch.assign(data, data + room);
    if (scratch.empty()) scratch.push_back(0);
  }
  const LONG status = ::RegQueryValueExA(ToNative<HKEY>(key), valueName.c_str(), nullptr,
                                         &valueType, data != nullptr ? scratch.data() : nullptr,
                                         size != nullptr ? &length : nullptr);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    if (type != nullptr) *type = static_cast<std::uint32_t>(valueType);
    if (size != nullptr) *size = static_cast<std::uint32_t>(length);
  }
  if (status == ERROR_SUCCESS && data != nullptr) {
    std::copy_n(scratch.begin(), room, data);
  }
  return static_cast<Status>(status);
}

Status Win32Registry::SetValue(HKey key, std::string_view name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  if (data == nullptr && size != 0) return err::kInvalidParameter;
  const std::string valueName(name);
  return static_cast<Status>(
      ::RegSetValueExA(ToNative<HKEY>(key), valueName.c_str(), 0, type, data, size));
}

Status Win32Registry::CloseKey(HKey key) {
  return static_cast<Status>(::RegCloseKey(ToNative<HKEY>(key)));
}

}  // namespace ql::win32
