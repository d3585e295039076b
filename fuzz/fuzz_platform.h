// Lean stand-ins for the platform services the fuzz targets script per input. The sim's own
// disks and message boxes record every call for the unit tests' assertions; across millions
// of runs of one process that record would only grow, so the targets that run the wizard's
// drive list or the monitor's prompts use these, which keep nothing but a count.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disks.h"
#include "platform/platform.h"
#include "platform/ui.h"
#include "sim/sim_machine.h"

namespace ql::fuzz {

class CountingUi : public Ui {
 public:
  int MessageBox(WindowRef, std::string_view, std::string_view, std::uint32_t) override {
    ++boxes;
    return mb::kIdOk;
  }
  int boxes = 0;
};

// Drives by letter with a type and a device target of exactly the bytes given; the
// drive-strings list is either formed from them or scripted byte for byte.
class ScriptedDisks : public Disks {
 public:
  struct Drive {
    char letter = 'C';
    std::uint32_t type = drive::kFixed;
    std::string target;
  };
  std::vector<Drive> drives;
  // A scripted list: these bytes land in the caller's buffer (cut to its size) and the call
  // reports `listReported`, whatever the bytes say.
  bool scriptedList = false;
  std::string_view listBytes;
  std::uint32_t listReported = 0;

  std::uint32_t GetLogicalDriveStrings(std::uint32_t size, char* buffer) override {
    if (scriptedList) {
      std::memcpy(buffer, listBytes.data(), std::min<std::size_t>(listBytes.size(), size));
      return listReported;
    }
    std::string text;
    for (const Drive& d : drives) text += std::string{d.letter, ':', '\\', '\0'};
    const auto length = static_cast<std::uint32_t>(text.size());
    if (length + 1 > size) return length + 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
  }
  std::uint32_t GetDriveType(const char* root) override {
    const Drive* d = Find(root);
    return d == nullptr ? drive::kNoRootDir : d->type;
  }
  bool GetDiskFreeSpace(const char* root, DiskFreeSpace* out, Status*) override {
    if (Find(root) == nullptr) return false;
    *out = DiskFreeSpace{8, 512, 100000, 250000};
    return true;
  }
  bool GetVolumeInformation(const char* root, char* name, std::uint32_t nameSize, std::uint32_t*,
                            std::uint32_t*, std::uint32_t*, char*, std::uint32_t,
                            Status*) override {
    if (Find(root) == nullptr) return false;
    if (name != nullptr && nameSize > 0) name[0] = '\0';
    return true;
  }
  std::uint32_t QueryDosDevice(const char* deviceName, char* buffer, std::uint32_t size,
                               Status* error) override {
    const Drive* d = std::strlen(deviceName) == 2 ? Find(deviceName) : nullptr;
    if (d == nullptr || d->target.size() > size || d->target.empty()) {
      if (error != nullptr) *error = err::kInsufficientBuffer;
      return 0;
    }
    std::memcpy(buffer, d->target.data(), d->target.size());
    return static_cast<std::uint32_t>(d->target.size());
  }
  std::uint32_t GetWindowsDirectory(char* buffer, std::uint32_t size) override {
    constexpr char kWindows[] = "C:\\WINNT";
    if (size < sizeof kWindows) return sizeof kWindows;
    std::memcpy(buffer, kWindows, sizeof kWindows);
    return sizeof kWindows - 1;
  }

 private:
  // "C:\" or "C:" names drive C, in either letter case.
  const Drive* Find(const char* root) const {
    if (root == nullptr || root[0] == '\0' || root[1] != ':') return nullptr;
    if (root[2] != '\0' && !(root[2] == '\\' && root[3] == '\0')) return nullptr;
    const char letter =
        root[0] >= 'a' && root[0] <= 'z' ? static_cast<char>(root[0] - 32) : root[0];
    for (const Drive& d : drives) {
      if (d.letter == letter) return &d;
    }
    return nullptr;
  }
};

// One sim machine per process for the services a target does not script. Its registry
// records every call: a target that uses it clears that record each run.
inline sim::SimMachine& SharedMachine() {
  static sim::SimMachine machine;
  return machine;
}

// A platform whose disks and prompts are the ones given and whose other services are the
// shared machine's.
inline Platform PlatformWith(Disks& disks, Ui& ui) {
  sim::SimMachine& machine = SharedMachine();
  return Platform{machine.registry,
                  machine.services,
                  machine.eventLog,
                  machine.memory,
                  machine.device,
                  machine.threads,
                  disks,
                  machine.security,
                  machine.processes,
                  ui,
                  machine.clock};
}

}  // namespace ql::fuzz
