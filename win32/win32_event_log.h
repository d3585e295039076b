// Event log and identity on the real machine.
#pragma once

#include "platform/event_log.h"

namespace ql::win32 {

class Win32EventLog final : public EventLog {
 public:
  Handle Open(const char* server, std::string_view source, Status* error) override;
  bool Report(Handle log, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
              const std::vector<std::string>& strings, Status* error) override;
  bool Close(Handle log) override;
  bool GetUserName(char* buffer, std::uint32_t* size, Status* error) override;
  bool GetVersion(OsVersion* out) override;
};

}  // namespace ql::win32
