// The real machine: one of each Win32 service, bundled for a program's core. A program's entry
// point owns one Win32Machine for the whole run and passes platform() to its core.
#pragma once

#include "platform/platform.h"
#include "win32/win32_clock.h"
#include "win32/win32_device.h"
#include "win32/win32_disks.h"
#include "win32/win32_event_log.h"
#include "win32/win32_memory.h"
#include "win32/win32_processes.h"
#include "win32/win32_registry.h"
#include "win32/win32_security.h"
#include "win32/win32_service_control.h"
#include "win32/win32_threads.h"
#include "win32/win32_ui.h"

namespace ql::win32 {

class Win32Machine {
 public:
  Win32Machine() = default;
  Win32Machine(const Win32Machine&) = delete;
  Win32Machine& operator=(const Win32Machine&) = delete;

  Platform platform() {
    return Platform{registry_, services_, eventLog_,  memory_, device_, threads_,
                    disks_,    security_, processes_, ui_,     clock_};
  }

 private:
  Win32Registry registry_;
  Win32ServiceControl services_;
  Win32EventLog eventLog_;
  Win32Memory memory_;
  Win32Device device_;
  Win32Threads threads_;
  Win32Disks disks_;
  Win32Security security_;
  Win32Processes processes_;
  Win32Ui ui_;
  Win32Clock clock_;
};

}  // namespace ql::win32
