// The service control manager: the dispatcher, the control handler, status reports and a
// service database.
//
// StartDispatcher runs the service's main function on the calling thread and returns when
// it returns, as the platform's dispatcher returns once the service has stopped. A test
// plays the manager's side with SendControl, typically from SimThreads::onBlock or a
// message-box handler while the service waits.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/service_control.h"
#include "sim/sim_clock.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimServiceControl : public ServiceControl {
 public:
  struct StatusReport {
    ServiceStatusHandle handle = 0;
    ServiceStatusRecord record;
    std::uint64_t time = 0;
    bool delivered = false;  // false: sent to an invalid handle and lost
  };

  struct ServiceEntry {
    std::string serviceName;
    std::string displayName;
    std::uint32_t desiredAccess = 0;
    std::uint32_t serviceType = 0;
    std::uint32_t startType = 0;
    std::uint32_t errorControl = 0;
    std::string binaryPathName;
    std::optional<std::string> loadOrderGroup;  // nullopt: NULL was passed
    std::optional<std::vector<std::string>> dependencies;
    std::optional<std::string> serviceStartName;
    std::optional<std::string> password;
  };

  struct ManagerOpen {
    std::optional<std::string> machine;
    std::optional<std::string> database;
    std::uint32_t access = 0;
    Status status = 0;
  };

  explicit SimServiceControl(SimClock& clock) : clock_(clock) {}

  // ServiceControl
  bool StartDispatcher(std::string_view serviceName, std::function<void()> serviceMain,
                       Status* error) override;
  ServiceStatusHandle RegisterHandler(std::string_view serviceName,
                                      std::function<void(std::uint32_t)> handler,
                                      Status* error) override;
  bool SetStatus(ServiceStatusHandle handle, const ServiceStatusRecord& record) override;
  ScHandle OpenManager(const char* machine, const char* database, std::uint32_t access,
                       Status* error) override;
  ScHandle CreateService(ScHandle manager, const CreateServiceParams& params,
                         Status* error) override;
  bool CloseServiceHandle(ScHandle handle) override;

  // --- The manager's side --------------------------------------------------------------
  // The program was started from a console, not by the manager: StartDispatcher fails
  // with 1063 at once.
  void SetStartedByManager(bool yes) { startedByManager_ = yes; }
  FaultPlan registerFaults;
  FaultPlan openManagerFaults;
  FaultPlan createServiceFaults;
  // Calls the registered handler with a control code; false when none is registered.
  bool SendControl(std::uint32_t code);
  // A service that exists before the test (CreateService of its name then fails with 1073).
  void AddService(ServiceEntry entry);

  // --- What tests read ------------------------------------------------------------------
  [[nodiscard]] const std::vector<StatusReport>& Reports() const { return reports_; }
  // The records that reached the manager, in order.
  [[nodiscard]] std::vector<ServiceStatusRecord> DeliveredRecords() const;
  [[nodiscard]] std::optional<ServiceStatusRecord> LastDelivered() const;
  [[nodiscard]] bool HandlerRegistered() const { return static_cast<bool>(handler_); }
  [[nodiscard]] const std::vector<std::string>& DispatcherNames() const { return dispatched_; }
  [[nodiscard]] const std::vector<std::string>& RegisteredNames() const { return registered_; }
  [[nodiscard]] const std::vector<std::uint32_t>& ControlsSent() const { return controls_; }
  [[nodiscard]] const std::vector<ManagerOpen>& ManagerOpens() const { return managerOpens_; }
  [[nodiscard]] const ServiceEntry* FindService(std::string_view name) const;
  [[nodiscard]] const std::vector<ServiceEntry>& Services() const { return services_; }
  [[nodiscard]] std::size_t OpenHandleCount() const { return open_.size(); }
  [[nodiscard]] std::uint32_t BadCloseCount() const { return badCloses_; }

  [[nodiscard]] std::string ToString() const;

 private:
  SimClock& clock_;
  bool startedByManager_ = true;
  std::function<void(std::uint32_t)> handler_;
  ServiceStatusHandle statusHandle_ = 0;
  ServiceStatusHandle nextStatusHandle_ = 0x00700000;
  std::vector<StatusReport> reports_;
  std::vector<std::string> dispatched_;
  std::vector<std::string> registered_;
  std::vector<std::uint32_t> controls_;
  std::vector<ManagerOpen> managerOpens_;
  std::vector<ServiceEntry> services_;
  enum class HandleKind { kManager, kService };
  std::map<ScHandle, HandleKind> open_;
  ScHandle nextHandle_ = 0x00600000;
  std::uint32_t badCloses_ = 0;
};

}  // namespace ql::sim
