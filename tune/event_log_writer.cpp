#include "tune/event_log_writer.h"

#include <vector>

#include "platform/types.h"

namespace ql::tune {

namespace {

constexpr std::uint32_t kPlatformWin32Nt = 2;

// An open event log, closed when it goes, whatever ends the record on the way.
class ScopedEventLog {
 public:
  ScopedEventLog(EventLog& log, Handle handle) : log_(log), handle_(handle) {}
  ~ScopedEventLog() {
    if (handle_ != kNullHandle) (void)log_.Close(handle_);
  }
  ScopedEventLog(const ScopedEventLog&) = delete;
  ScopedEventLog& operator=(const ScopedEventLog&) = delete;
  [[nodiscard]] Handle Get() const { return handle_; }

 private:
  EventLog& log_;
  Handle handle_;
};

}  // namespace

std::string EventLogWriter::UserName() {
  // One spare character beyond the room offered, so the name is terminated even if the
  // platform fills every character it was given.
  char buffer[kUserNameRoom + 1] = {};
  std::uint32_t size = kUserNameRoom;
  Status error = err::kSuccess;
  if (!log_.GetUserName(buffer, &size, &error)) return kUnknownUser;
  buffer[kUserNameRoom] = '\0';
  return std::string(buffer);
}

std::string EventLogWriter::FormatRecord(std::string_view text) {
  std::string line = "\r\n";
  if (properties_.IncludeUserName) {
    line += "User: ";
    line += UserName();
    line += "\r\n";
  }
  line.append(text);
  return line;
}

void EventLogWriter::Write(std::string_view text) noexcept {
  try {
    OsVersion version;
    if (!log_.GetVersion(&version) || version.platformId < kPlatformWin32Nt) return;

    if (properties_.RegisterApplication) {
      // Only makes sure the source's key exists; no value is written into it.
      ScopedKey source(registry_);
      const std::string path = kApplicationLogKeyPrefix + properties_.ApplicationName;
      (void)registry_.CreateKey(kHkeyLocalMachine, path, "", reg::kOptionNonVolatile,
                                reg::kAllAccess, source.Receive(), nullptr);
    }

    Status error = err::kSuccess;
    Handle handle = log_.Open(properties_.UNCServer.c_str(), properties_.ApplicationName, &error);
    if (handle == kNullHandle) {
      handle = log_.Open(nullptr, properties_.ApplicationName, &error);
      if (handle == kNullHandle) return;
    }
    const ScopedEventLog open(log_, handle);
    const std::vector<std::string> strings{FormatRecord(text)};
    (void)log_.Report(open.Get(), properties_.EventType, properties_.EventCategory,
                      properties_.EventID, strings, &error);
  } catch (...) {
    // A record is never worth ending a command for.
  }
}

}  // namespace ql::tune
