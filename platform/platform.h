// The bundle of platform services a program's core receives. No globals: each program's entry
// point owns the real services (win32/) and tests own a sim machine (sim/).
#pragma once

#include "platform/clock.h"
#include "platform/device.h"
#include "platform/disks.h"
#include "platform/event_log.h"
#include "platform/memory.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/service_control.h"
#include "platform/threads.h"
#include "platform/types.h"
#include "platform/ui.h"

namespace ql {

struct Platform {
  Registry& registry;
  ServiceControl& services;
  EventLog& eventLog;
  Memory& memory;
  Device& device;
  Threads& threads;
  Disks& disks;
  Security& security;
  Processes& processes;
  Ui& ui;
  Clock& clock;
};

}  // namespace ql
