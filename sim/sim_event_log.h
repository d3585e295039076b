// The event log (records kept per source), the user's name and the system's version.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/event_log.h"
#include "sim/sim_clock.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimEventLog : public EventLog {
 public:
  struct Record {
    std::string source;  // the source the handle was opened for
    std::uint16_t type = 0;
    std::uint16_t category = 0;
    std::uint32_t eventId = 0;
    std::vector<std::string> strings;
    std::uint64_t time = 0;
  };
  struct OpenRecord {
    std::string server;  // "" for NULL
    std::string source;
    Status status = 0;
  };

  explicit SimEventLog(SimClock& clock);

  // EventLog
  Handle Open(const char* server, std::string_view source, Status* error) override;
  bool Report(Handle log, std::uint16_t type, std::uint16_t category, std::uint32_t eventId,
              const std::vector<std::string>& strings, Status* error) override;
  bool Close(Handle log) override;
  bool GetUserName(char* buffer, std::uint32_t* size, Status* error) override;
  bool GetVersion(OsVersion* out) override;

  // --- Scripting -----------------------------------------------------------------------
  std::string userName = "Administrator";
  // Windows NT 4.0 with Service Pack 6 by default.
  OsVersion version;
  FaultPlan openFaults;
  FaultPlan reportFaults;
  FaultPlan userNameFaults;
  FaultPlan versionFaults;  // GetVersion returns false (the status is not visible)

  // --- What tests read ------------------------------------------------------------------
  [[nodiscard]] const std::vector<Record>& Records() const { return records_; }
  [[nodiscard]] const std::vector<OpenRecord>& Opens() const { return opens_; }
  [[nodiscard]] std::size_t OpenHandleCount() const { return open_.size(); }
  [[nodiscard]] std::uint32_t BadCloseCount() const { return badCloses_; }

  [[nodiscard]] std::string ToString() const;

 private:
  SimClock& clock_;
  std::map<Handle, std::string> open_;  // handle -> source
  Handle nextHandle_ = 0x00300000;
  std::vector<Record> records_;
  std::vector<OpenRecord> opens_;
  std::uint32_t badCloses_ = 0;
};

}  // namespace ql::sim
