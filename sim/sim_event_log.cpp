#include "sim/sim_event_log.h"

#include <cstring>
#include <sstream>

#include "sim/sim_text.h"

namespace ql::sim {

SimEventLog::SimEventLog(SimClock& clock) : clock_(clock) {
  version.majorVersion = 4;
  version.minorVersion = 0;
  version.buildNumber = 1381;
  version.platformId = 2;
  version.csdVersion = "Service Pack 6";
}

Handle SimEventLog::Open(const char* server, std::string_view source, Status* error) {
  OpenRecord open{OrEmpty(server), std::string(source), openFaults.OnCall()};
  opens_.push_back(open);
  if (open.status != err::kSuccess) {
    if (error != nullptr) *error = open.status;
    return kNullHandle;
  }
  const Handle handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = open.source;
  return handle;
}

bool SimEventLog::Report(Handle log, std::uint16_t type, std::uint16_t category,
                         std::uint32_t eventId, const std::vector<std::string>& strings,
                         Status* error) {
  auto it = open_.find(log);
  Status status = it == open_.end() ? err::kInvalidHandle : reportFaults.OnCall();
  if (status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return false;
  }
  records_.push_back({it->second, type, category, eventId, strings, clock_.Now()});
  return true;
}

bool SimEventLog::Close(Handle log) {
  if (open_.erase(log) == 0) {
    ++badCloses_;
    return false;
  }
  return true;
}

bool SimEventLog::GetUserName(char* buffer, std::uint32_t* size, Status* error) {
  auto fail = [&](Status status) {
    if (error != nullptr) *error = status;
    return false;
  };
  if (const Status status = userNameFaults.OnCall(); status != err::kSuccess) return fail(status);
  if (size == nullptr) return fail(simerr::kNoAccess);
  const auto needed = static_cast<std::uint32_t>(userName.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return fail(err::kInsufficientBuffer);
  }
  std::memcpy(buffer, userName.c_str(), needed);
  *size = needed;
  return true;
}

bool SimEventLog::GetVersion(OsVersion* out) {
  if (versionFaults.OnCall() != err::kSuccess || out == nullptr) return false;
  *out = version;
  return true;
}

std::string SimEventLog::ToString() const {
  std::ostringstream out;
  out << "event log: " << records_.size() << " records, " << open_.size() << " open handles, "
      << badCloses_ << " bad closes, user \"" << userName << "\"\n";
  for (const auto& record : records_) {
    out << "  at " << record.time << " \"" << record.source << "\" type " << record.type
        << " category " << record.category << " id " << record.eventId << ":";
    for (const auto& text : record.strings) out << " \"" << text << "\"";
    out << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
