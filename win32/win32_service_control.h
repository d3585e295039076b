// Service control manager on the real machine. The dispatcher and the control handler are
// plain function pointers in the system's interface, so this class keeps the callables and a
// file-local trampoline reaches them: one service per process, as the programs run it.
#pragma once

#include <string>

#include "platform/service_control.h"

namespace ql::win32 {

class Win32ServiceControl final : public ServiceControl {
 public:
  Win32ServiceControl() = default;
  Win32ServiceControl(const Win32ServiceControl&) = delete;
  Win32ServiceControl& operator=(const Win32ServiceControl&) = delete;
  ~Win32ServiceControl() override;

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

  // Called by the trampolines only.
  void RunServiceMain();
  void RunHandler(std::uint32_t control);

 private:
  std::string serviceName_;
  std::function<void()> serviceMain_;
  std::function<void(std::uint32_t)> handler_;
};

}  // namespace ql::win32
