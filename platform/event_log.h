// Event log and identity: OpenEventLogA (the source the records are written under),
// ReportEventA, CloseEventLog, GetUserNameA, GetVersionExA.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace ql {

namespace evt {
inline constexpr std::uint16_t kError = 0x0001;
inline constexpr std::uint16_t kWarning = 0x0002;
inline constexpr std::uint16_t kInformation = 0x0004;
}  // namespace evt

// OSVERSIONINFOA, as far as the programs read it.
struct OsVersion {
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;  // 2 = VER_PLATFORM_WIN32_NT
  std::string csdVersion;
};

class EventLog {
 public:
  virtual ~EventLog() = default;

  // OpenEventLogA(server, source): 0 on failure.
  virtual Handle Open(const char* server, std::string_view source, Status* error) = 0;

  // ReportEventA(log, type, category, id, NULL sid, strings, 0 raw bytes).
  virtual bool Report(Handle log, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
                      const std::vector<std::string>& strings, Status* error) = 0;

  // CloseEventLog(log)
  virtual bool Close(Handle log) = 0;

  // GetUserNameA(buffer, size): *size is the room in buffer, including the NUL; on success it
  // receives the length written including the NUL; on kInsufficientBuffer the length needed.
  virtual bool GetUserName(char* buffer, std::uint32_t* size, Status* error) = 0;

  // GetVersionExA
  virtual bool GetVersion(OsVersion* out) = 0;
};

}  // namespace ql
