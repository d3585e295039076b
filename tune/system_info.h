// The texts of the System Information window, one block per group, built from what the
// platform reports. The window only shows them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace ql::tune {

// What the platform tells about the processors (GetSystemInfo), passed in by the window.
struct ProcessorInfo {
  std::uint32_t count = 0;
  std::uint16_t architecture = 0;  // PROCESSOR_ARCHITECTURE_*
  std::uint32_t type = 0;          // dwProcessorType, e.g. 586
  std::uint32_t activeMask = 0;
};

struct SystemInfoTexts {
  std::string version;              // "Version information"
  std::string general;              // "General information"
  std::string memory;               // "Memory information"
  std::string processors;           // "Processor(s) information"
  std::vector<std::string> drives;  // the chooser's drive roots, "C:\" ...
};

// computerName is passed in as the window read it (GetComputerNameA).
[[nodiscard]] SystemInfoTexts GatherSystemInfo(const Platform& platform,
                                               const std::string& computerName,
                                               const ProcessorInfo& processors);

// "Disks && volumes information" for one drive root.
[[nodiscard]] std::string DiskInfoText(Disks& disks, const std::string& root);

}  // namespace ql::tune
