// Service control manager: StartServiceCtrlDispatcherA, RegisterServiceCtrlHandlerA,
// SetServiceStatus, OpenSCManagerA, CreateServiceA, CloseServiceHandle.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/types.h"

namespace ql {

// The SERVICE_STATUS record, fields in the platform's order.
struct ServiceStatusRecord {
  std::uint32_t serviceType = 0;
  std::uint32_t currentState = 0;
  std::uint32_t controlsAccepted = 0;
  std::uint32_t win32ExitCode = 0;
  std::uint32_t serviceSpecificExitCode = 0;
  std::uint32_t checkPoint = 0;
  std::uint32_t waitHint = 0;
  friend bool operator==(const ServiceStatusRecord&, const ServiceStatusRecord&) = default;
};

namespace svc {
inline constexpr std::uint32_t kStopped = 1;
inline constexpr std::uint32_t kStartPending = 2;
inline constexpr std::uint32_t kStopPending = 3;
inline constexpr std::uint32_t kRunning = 4;

inline constexpr std::uint32_t kControlStop = 1;
inline constexpr std::uint32_t kControlPause = 2;
inline constexpr std::uint32_t kControlContinue = 3;
inline constexpr std::uint32_t kControlInterrogate = 4;
inline constexpr std::uint32_t kControlShutdown = 5;

inline constexpr std::uint32_t kKernelDriver = 0x1;
inline constexpr std::uint32_t kWin32OwnProcess = 0x10;
inline constexpr std::uint32_t kInteractiveProcess = 0x100;

inline constexpr std::uint32_t kBootStart = 0;
inline constexpr std::uint32_t kSystemStart = 1;
inline constexpr std::uint32_t kAutoStart = 2;
inline constexpr std::uint32_t kDemandStart = 3;
inline constexpr std::uint32_t kDisabled = 4;

inline constexpr std::uint32_t kErrorNormal = 1;

inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
}  // namespace svc

using ServiceStatusHandle = std::uintptr_t;  // SERVICE_STATUS_HANDLE; 0 = invalid
using ScHandle = std::uintptr_t;             // SC_HANDLE; 0 = failure

struct CreateServiceParams {
  std::string_view serviceName;
  std::string_view displayName;
  std::uint32_t desiredAccess = 0;
  std::uint32_t serviceType = 0;
  std::uint32_t startType = 0;
  std::uint32_t errorControl = 0;
  std::string_view binaryPathName;
  const char* loadOrderGroup = nullptr;    // null = none
  const char* dependencies = nullptr;      // double-NUL list; null = none
  const char* serviceStartName = nullptr;  // null = LocalSystem
  const char* password = nullptr;
};

class ServiceControl {
 public:
  virtual ~ServiceControl() = default;

  // StartServiceCtrlDispatcherA with a one-entry table {name, main} and the terminating
  // entry. Returns when the service has stopped (or at once, with an error, when the program
  // was not started by the service control manager).
  virtual bool StartDispatcher(std::string_view serviceName, std::function<void()> serviceMain,
                               Status* error) = 0;

  // RegisterServiceCtrlHandlerA. Returns 0 on failure (error in *error when not null).
  virtual ServiceStatusHandle RegisterHandler(std::string_view serviceName,
                                              std::function<void(std::uint32_t)> handler,
                                              Status* error) = 0;

  // SetServiceStatus(handle, &record)
  virtual bool SetStatus(ServiceStatusHandle handle, const ServiceStatusRecord& record) = 0;

  // OpenSCManagerA(machine, database, access); null strings mean the local defaults.
  virtual ScHandle OpenManager(const char* machine, const char* database, std::uint32_t access,
                               Status* error) = 0;

  // CreateServiceA(manager, ...)
  virtual ScHandle CreateService(ScHandle manager, const CreateServiceParams& params,
                                 Status* error) = 0;

  // CloseServiceHandle
  virtual bool CloseServiceHandle(ScHandle handle) = 0;
};

}  // namespace ql
