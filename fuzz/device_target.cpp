// The wizard's reading of a drive's device target ("\Device\Harddisk<N>\Partition<M>"):
// the input is the target's bytes as the platform's device query returns them, read
// directly and through the wizard's drive list, on a machine whose drive C has it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "config/drives.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_platform.h"

namespace {

// A target as the platform forms one reads back as the numbers it was formed from.
void CheckFormed(std::uint32_t disk, std::uint32_t partition) {
  char text[64];
  std::snprintf(text, sizeof text, "\\Device\\Harddisk%u\\Partition%u", disk, partition);
  const auto numbers = ql::config::ReadDeviceTargetNumbers(text);
  QL_FUZZ_CHECK(numbers.disk == disk);
  QL_FUZZ_CHECK(numbers.partition == partition);
}

void CheckThroughDriveList(std::string_view target) {
  ql::fuzz::ScriptedDisks disks;
  disks.drives.push_back({'C', ql::drive::kFixed, std::string(target)});
  ql::fuzz::CountingUi ui;
  const auto drives =
      ql::config::EnumerateFixedDrives(ql::fuzz::PlatformWith(disks, ui), "QlConfig");
  if (target.empty() || target.size() > ql::config::kDeviceTargetChars) {
    // Nothing stored, or more than the buffer: the query fails, with its message.
    QL_FUZZ_CHECK(drives == nullptr);
    QL_FUZZ_CHECK(ui.boxes == 1);
    return;
  }
  QL_FUZZ_CHECK(drives != nullptr && drives->Next == nullptr);
  // Only the first target counts, and never its 64th byte.
  std::string_view first = target.substr(0, ql::config::kDeviceTargetChars - 1);
  first = first.substr(0, std::min(first.size(), first.find('\0')));
  const auto numbers = ql::config::ReadDeviceTargetNumbers(first);
  QL_FUZZ_CHECK(drives->DiskNumber == numbers.disk);
  QL_FUZZ_CHECK(drives->PartitionNumber == numbers.partition);
  QL_FUZZ_CHECK(std::memchr(drives->DeviceTarget, '\0', sizeof drives->DeviceTarget) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view target(reinterpret_cast<const char*>(data), size);
  (void)ql::config::ReadDeviceTargetNumbers(target);
  CheckThroughDriveList(target);
  if (size >= 8) {
    std::uint32_t disk = 0;
    std::uint32_t partition = 0;
    std::memcpy(&disk, data, 4);
    std::memcpy(&partition, data + 4, 4);
    CheckFormed(disk, partition);
  }
  return 0;
}
