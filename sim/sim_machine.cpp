#include "sim/sim_machine.h"

#include <sstream>

namespace ql::sim {

SimMachine::SimMachine()
    : services(clock), eventLog(clock), device(clock), threads(clock), ui(clock) {}

Platform SimMachine::platform() {
  return Platform{registry, services, eventLog,  memory, device, threads,
                  disks,    security, processes, ui,     clock};
}

std::string SimMachine::Leaks() const {
  std::ostringstream out;
  auto item = [&](std::size_t count, const char* what) {
    if (count != 0) out << count << ' ' << what << "; ";
  };
  item(registry.OpenKeyCount(), "registry keys open");
  for (const auto& path : registry.OpenKeyPaths()) out << "[" << path << "] ";
  item(registry.BadCloseCount(), "bad registry closes");
  item(device.OpenHandleCount(), "device handles open");
  item(device.BadCloseCount(), "bad device closes");
  item(threads.OpenHandleCount(), "thread/event/mutex handles open");
  item(threads.BadCloseCount(), "bad thread/event/mutex closes");
  item(services.OpenHandleCount(), "service manager handles open");
  item(services.BadCloseCount(), "bad service manager closes");
  item(eventLog.OpenHandleCount(), "event logs open");
  item(eventLog.BadCloseCount(), "bad event log closes");
  item(security.OpenTokenCount(), "tokens open");
  item(security.BadCloses(), "bad token closes");
  item(security.LiveSidCount(), "SIDs not freed");
  item(security.BadFrees(), "bad SID frees");
  return out.str();
}

std::string SimMachine::ToString() const {
  std::ostringstream out;
  out << "=== sim machine at " << clock.Now() << " ms ===\n"
      << clock.ToString() << registry.ToString() << services.ToString() << eventLog.ToString()
      << memory.ToString() << device.ToString() << threads.ToString() << disks.ToString()
      << security.ToString() << processes.ToString() << ui.ToString();
  return out.str();
}

}  // namespace ql::sim
