#include "win32/win32_event_log.h"

#include <algorithm>
#include <limits>

#include "win32/win32_windows.h"

namespace ql::win32 {

Handle Win32EventLog::Open(const char* server, std::string_view source, Status* error) {
  const std::string name(source);
  HANDLE log = ::OpenEventLogA(server, name.c_str());
  if (log == nullptr) StoreLastError(error);
  return FromNative(log);
}

bool Win32EventLog::Report(Handle log, std::uint16_t type, std::uint16_t category,
                           std::uint32_t eventId, const std::vector<std::string>& strings,
                           Status* error) {
  if (strings.size() > std::numeric_limits<WORD>::max()) {
    if (error != nullptr) *error = err::kInvalidParameter;
    return false;
  }
  std::vector<LPCSTR> pointers;
  pointers.reserve(strings.size());
  for (const std::string& text : strings) pointers.push_back(text.c_str());
  if (!::ReportEventA(ToNative<HANDLE>(log), type, category, eventId, nullptr,
                      static_cast<WORD>(pointers.size()), 0,
                      pointers.empty() ? nullptr : pointers.data(), nullptr)) {
    StoreLastError(error);
    return false;
  }
  return true;
}

bool Win32EventLog::Close(Handle log) { return ::CloseEventLog(ToNative<HANDLE>(log)) != FALSE; }

bool Win32EventLog::GetUserName(char* buffer, std::uint32_t* size, Status* error) {
  if (size == nullptr) {
    if (error != nullptr) *error = err::kInvalidParameter;
    return false;
  }
  DWORD length = *size;
  if (::GetUserNameA(buffer, &length)) {
    *size = static_cast<std::uint32_t>(length);
    return true;
  }
  const DWORD status = ::GetLastError();
  if (status == ERROR_INSUFFICIENT_BUFFER) *size = static_cast<std::uint32_t>(length);
  if (error != nullptr) *error = static_cast<Status>(status);
  return false;
}

bool Win32EventLog::GetVersion(OsVersion* out) {
  if (out == nullptr) return false;
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!::GetVersionExA(&info)) return false;
  out->majorVersion = info.dwMajorVersion;
  out->minorVersion = info.dwMinorVersion;
  out->buildNumber = info.dwBuildNumber;
  out->platformId = info.dwPlatformId;
  // The service-pack text is NUL-terminated within its fixed field; never read past the field.
  const char* begin = info.szCSDVersion;
  const char* end = std::find(begin, begin + sizeof(info.szCSDVersion), '\0');
  out->csdVersion.assign(begin, end);
  return true;
}

}  // namespace ql::win32
