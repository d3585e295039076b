// The tuning engine's event-log writer: one information record per call, under the engine's
// own event source, with the name of the user who ran the program in front of the text.
// Failures are silent: a record that cannot be written is simply not there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/event_log.h"
#include "platform/registry.h"

namespace ql::tune {

// The record texts the engine writes.
namespace record {
inline constexpr char kInitialized[] = "Quillon Tuning Event Initialized";
inline constexpr char kSettingsChanged[] = "Quillon Tuning Implemented, Settings Changed";
inline constexpr char kNoChanges[] = "No Quillon Changes Implemented";
inline constexpr char kDefaultsReset[] = "Quillon Defaults Reset";
inline constexpr char kExiting[] = "Quillon Tuning Implemented, Settings NOT Changed and Exiting";
}  // namespace record

// Where the source's key is registered before each record, below HKEY_LOCAL_MACHINE.
inline constexpr char kApplicationLogKeyPrefix[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

// The user name is fetched into 21 characters, of which 20 are offered to the platform: a
// name of 20 characters or more does not fit and is recorded as "N/A".
inline constexpr std::uint32_t kUserNameRoom = 20;
inline constexpr char kUnknownUser[] = "N/A";

class EventLogWriter {
 public:
  // The writer's fixed design.
  struct Properties {
    std::string ApplicationName = "Quillon Tuning Engine 3.0";
    std::string UNCServer;  // empty: this computer
    bool RegisterApplication = true;
    bool IncludeUserName = true;
    std::uint16_t EventType = evt::kInformation;
    std::uint32_t EventID = 0;
    std::uint16_t EventCategory = 0;
  };

  EventLogWriter(EventLog& eventLog, Registry& registry) : log_(eventLog), registry_(registry) {}

  // Writes one record with text. Never reports a failure and never throws.
  void Write(std::string_view text) noexcept;

  // The record's only string as it would be written now: CR LF, "User: " name CR LF, text.
  [[nodiscard]] std::string FormatRecord(std::string_view text);

  Properties& properties() { return properties_; }
  [[nodiscard]] const Properties& properties() const { return properties_; }

 private:
  [[nodiscard]] std::string UserName();

  EventLog& log_;
  Registry& registry_;
  Properties properties_;
};

}  // namespace ql::tune
