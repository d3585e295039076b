#include "win32/win32_service_control.h"

#include <atomic>

#include "win32/win32_windows.h"

namespace ql::win32 {

namespace {

// The one service object of this process whose dispatcher or handler is registered. Set
// before the system can call a trampoline, so the trampolines always find it.
std::atomic<Win32ServiceControl*> g_current{nullptr};

void WINAPI ServiceMainTrampoline(DWORD /*argc*/, LPSTR* /*argv*/) {
  if (Win32ServiceControl* self = g_current.load()) self->RunServiceMain();
}

void WINAPI HandlerTrampoline(DWORD control) {
  if (Win32ServiceControl* self = g_current.load()) {
    self->RunHandler(static_cast<std::uint32_t>(control));
  }
}

// Claims the process-wide slot for this object; a second object cannot take it over while the
// first one is registered.
bool Claim(Win32ServiceControl* self) {
  Win32ServiceControl* expected = nullptr;
  return g_current.compare_exchange_strong(expected, self) || expected == self;
}

}  // namespace

Win32ServiceControl::~Win32ServiceControl() {
  Win32ServiceControl* expected = this;
  g_current.compare_exchange_strong(expected, nullptr);
}

void Win32ServiceControl::RunServiceMain() {
  // No exception may cross into the service control manager's thread.
  try {
    if (serviceMain_) serviceMain_();
  } catch (...) {
  }
}

void Win32ServiceControl::RunHandler(std::uint32_t control) {
  try {
    if (handler_) handler_(control);
  } catch (...) {
  }
}

bool Win32ServiceControl::StartDispatcher(std::string_view serviceName,
                                          std::function<void()> serviceMain, Status* error) {
  if (!Claim(this)) {
    if (error != nullptr) *error = err::kInvalidParameter;
    return false;
  }
  serviceName_ = std::string(serviceName);
  serviceMain_ = std::move(serviceMain);
  SERVICE_TABLE_ENTRYA table[2] = {{serviceName_.data(), &ServiceMainTrampoline},
                                   {nullptr, nullptr}};
  if (!::StartServiceCtrlDispatcherA(table)) {
    StoreLastError(error);
    return false;
  }
  return true;
}

ServiceStatusHandle Win32ServiceControl::RegisterHandler(std::string_view serviceName,
                                                         std::function<void(std::uint32_t)> handler,
                                                         Status* error) {
  if (!Claim(this)) {
    if (error != nullptr) *error = err::kInvalidParameter;
    return 0;
  }
  handler_ = std::move(handler);
  const std::string name(serviceName);
  SERVICE_STATUS_HANDLE handle = ::RegisterServiceCtrlHandlerA(name.c_str(), &HandlerTrampoline);
  if (handle == nullptr) {
    StoreLastError(error);
    return 0;
  }
  return FromNative(handle);
}

bool Win32ServiceControl::SetStatus(ServiceStatusHandle handle, const ServiceStatusRecord& record) {
  SERVICE_STATUS status{};
  status.dwServiceType = record.serviceType;
  status.dwCurrentState = record.currentState;
  status.dwControlsAccepted = record.controlsAccepted;
  status.dwWin32ExitCode = record.win32ExitCode;
  status.dwServiceSpecificExitCode = record.serviceSpecificExitCode;
  status.dwCheckPoint = record.checkPoint;
  status.dwWaitHint = record.waitHint;
  return ::SetServiceStatus(ToNative<SERVICE_STATUS_HANDLE>(handle), &status) != FALSE;
}

ScHandle Win32ServiceControl::OpenManager(const char* machine, const char* database,
                                          std::uint32_t access, Status* error) {
  SC_HANDLE manager = ::OpenSCManagerA(machine, database, access);
  if (manager == nullptr) StoreLastError(error);
  return FromNative(manager);
}

ScHandle Win32ServiceControl::CreateService(ScHandle manager, const CreateServiceParams& params,
                                            Status* error) {
  const std::string name(params.serviceName);
  const std::string display(params.displayName);
  const std::string binary(params.binaryPathName);
  SC_HANDLE service =
      ::CreateServiceA(ToNative<SC_HANDLE>(manager), name.c_str(), display.c_str(),
                       params.desiredAccess, params.serviceType, params.startType,
                       params.errorControl, binary.c_str(), params.loadOrderGroup, nullptr,
                       params.dependencies, params.serviceStartName, params.password);
  if (service == nullptr) StoreLastError(error);
  return FromNative(service);
}

bool Win32ServiceControl::CloseServiceHandle(ScHandle handle) {
  return ::CloseServiceHandle(ToNative<SC_HANDLE>(handle)) != FALSE;
}

}  // namespace ql::win32
