#include "sim/sim_service_control.h"

#include <sstream>
#include <utility>

#include "sim/sim_text.h"

namespace ql::sim {

namespace {
std::optional<std::string> Optional(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}
}  // namespace

bool SimServiceControl::StartDispatcher(std::string_view serviceName,
                                        std::function<void()> serviceMain, Status* error) {
  dispatched_.emplace_back(serviceName);
  if (!startedByManager_) {
    if (error != nullptr) *error = err::kFailedServiceControllerConnect;
    return false;
  }
  if (serviceMain) serviceMain();
  return true;
}

ServiceStatusHandle SimServiceControl::RegisterHandler(std::string_view serviceName,
                                                       std::function<void(std::uint32_t)> handler,
                                                       Status* error) {
  registered_.emplace_back(serviceName);
  if (const Status status = registerFaults.OnCall(); status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return 0;
  }
  handler_ = std::move(handler);
  statusHandle_ = nextStatusHandle_;
  nextStatusHandle_ += 4;
  return statusHandle_;
}

bool SimServiceControl::SetStatus(ServiceStatusHandle handle, const ServiceStatusRecord& record) {
  const bool delivered = handle != 0 && handle == statusHandle_;
  reports_.push_back({handle, record, clock_.Now(), delivered});
  return delivered;
}

bool SimServiceControl::SendControl(std::uint32_t code) {
  controls_.push_back(code);
  if (!handler_) return false;
  auto handler = handler_;  // the handler may register again
  handler(code);
  return true;
}

std::vector<ServiceStatusRecord> SimServiceControl::DeliveredRecords() const {
  std::vector<ServiceStatusRecord> out;
  for (const auto& report : reports_) {
    if (report.delivered) out.push_back(report.record);
  }
  return out;
}

std::optional<ServiceStatusRecord> SimServiceControl::LastDelivered() const {
  for (auto it = reports_.rbegin(); it != reports_.rend(); ++it) {
    if (it->delivered) return it->record;
  }
  return std::nullopt;
}

ScHandle SimServiceControl::OpenManager(const char* machine, const char* database,
                                        std::uint32_t access, Status* error) {
  ManagerOpen open{Optional(machine), Optional(database), access, openManagerFaults.OnCall()};
  managerOpens_.push_back(open);
  if (open.status != err::kSuccess) {
    if (error != nullptr) *error = open.status;
    return 0;
  }
  const ScHandle handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = HandleKind::kManager;
  return handle;
}

ScHandle SimServiceControl::CreateService(ScHandle manager, const CreateServiceParams& params,
                                          Status* error) {
  auto fail = [&](Status status) {
    if (error != nullptr) *error = status;
    return ScHandle{0};
  };
  auto it = open_.find(manager);
  if (it == open_.end() || it->second != HandleKind::kManager) return fail(err::kInvalidHandle);
  if (const Status status = createServiceFaults.OnCall(); status != err::kSuccess) {
    return fail(status);
  }
  if (params.serviceName.empty()) return fail(err::kInvalidParameter);
  if (FindService(params.serviceName) != nullptr) return fail(err::kServiceExists);

  ServiceEntry entry;
  entry.serviceName = std::string(params.serviceName);
  entry.displayName = std::string(params.displayName);
  entry.desiredAccess = params.desiredAccess;
  entry.serviceType = params.serviceType;
  entry.startType = params.startType;
  entry.errorControl = params.errorControl;
  entry.binaryPathName = std::string(params.binaryPathName);
  entry.loadOrderGroup = Optional(params.loadOrderGroup);
  if (params.dependencies != nullptr) {
    // A list of NUL-terminated names ended by an empty one.
    std::vector<std::string> names;
    for (const char* p = params.dependencies; *p != '\0'; p += names.back().size() + 1) {
      names.emplace_back(p);
    }
    entry.dependencies = std::move(names);
  }
  entry.serviceStartName = Optional(params.serviceStartName);
  entry.password = Optional(params.password);
  services_.push_back(std::move(entry));

  const ScHandle handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = HandleKind::kService;
  return handle;
}

bool SimServiceControl::CloseServiceHandle(ScHandle handle) {
  if (open_.erase(handle) == 0) {
    ++badCloses_;
    return false;
  }
  return true;
}

void SimServiceControl::AddService(ServiceEntry entry) { services_.push_back(std::move(entry)); }

const SimServiceControl::ServiceEntry* SimServiceControl::FindService(std::string_view name) const {
  for (const auto& entry : services_) {
    if (EqualsNoCase(entry.serviceName, name)) return &entry;
  }
  return nullptr;
}

std::string SimServiceControl::ToString() const {
  std::ostringstream out;
  out << "services: " << reports_.size() << " status reports, " << open_.size() << " open handles, "
      << badCloses_ << " bad closes, handler " << (handler_ ? "registered" : "none") << "\n";
  for (const auto& report : reports_) {
    const auto& r = report.record;
    out << "  at " << report.time << ": type 0x" << std::hex << r.serviceType << std::dec
        << " state " << r.currentState << " accepts " << r.controlsAccepted << " exit "
        << r.win32ExitCode << "/" << r.serviceSpecificExitCode << " check " << r.checkPoint
        << " hint " << r.waitHint << (report.delivered ? "" : " (lost)") << "\n";
  }
  for (const auto code : controls_) out << "  control " << code << " sent\n";
  for (const auto& entry : services_) {
    out << "  service \"" << entry.serviceName << "\" type " << entry.serviceType << " start "
        << entry.startType << " path \"" << entry.binaryPathName << "\"\n";
  }
  return out.str();
}

}  // namespace ql::sim
