// One in-memory machine: every platform service on one shared virtual clock.
//
//   ql::sim::SimMachine machine;
//   machine.registry.SetDword("HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv", "Start", 0);
//   ql::Platform platform = machine.platform();
//   RunSomething(platform);
//   EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
#pragma once

#include <string>

#include "platform/platform.h"
#include "sim/sim_clock.h"
#include "sim/sim_device.h"
#include "sim/sim_disks.h"
#include "sim/sim_event_log.h"
#include "sim/sim_memory.h"
#include "sim/sim_processes.h"
#include "sim/sim_registry.h"
#include "sim/sim_security.h"
#include "sim/sim_service_control.h"
#include "sim/sim_threads.h"
#include "sim/sim_ui.h"

namespace ql::sim {

class SimMachine {
 public:
  SimMachine();
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  // The services as the programs' cores take them.
  [[nodiscard]] Platform platform();

  // Everything still open or given back twice: registry keys, device handles, thread,
  // event and mutex handles, service manager handles, event logs, tokens and SIDs. Empty
  // when nothing leaked.
  [[nodiscard]] std::string Leaks() const;

  // The whole machine's state, for assertion messages.
  [[nodiscard]] std::string ToString() const;

  SimClock clock;  // first: the others keep a reference to it
  SimRegistry registry;
  SimServiceControl services;
  SimEventLog eventLog;
  SimMemory memory;
  SimDevice device;
  SimThreads threads;
  SimDisks disks;
  SimSecurity security;
  SimProcesses processes;
  SimUi ui;
};

}  // namespace ql::sim
