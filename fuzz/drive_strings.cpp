// The wizard's walk over the drive-strings list. Input: two bytes (little-endian) are the
// length the platform reports, the rest is what it leaves in the caller's 512-byte buffer,
// so a list without terminators and a count that disagrees with the bytes are both tried.
// The machine has C: and D: fixed (disks 0 and 1) and E: a CD drive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/drives.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  ql::fuzz::ScriptedDisks disks;
  disks.drives.push_back(
      {'C', ql::drive::kFixed, std::string("\\Device\\Harddisk0\\Partition1\0\0", 31)});
  disks.drives.push_back(
      {'D', ql::drive::kFixed, std::string("\\Device\\Harddisk1\\Partition2\0\0", 31)});
  disks.drives.push_back({'E', ql::drive::kCdrom, std::string("\\Device\\Cdrom0\0\0", 16)});
  disks.scriptedList = true;
  disks.listReported = static_cast<std::uint32_t>(data[0] | (data[1] << 8));
  disks.listBytes = std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2);

  ql::fuzz::CountingUi ui;
  const auto drives =
      ql::config::EnumerateFixedDrives(ql::fuzz::PlatformWith(disks, ui), "QlConfig");
  if (disks.listReported == 0) QL_FUZZ_CHECK(ui.boxes == 1);
  std::size_t count = 0;
  for (const ql::config::DriveRecord* record = drives.get(); record != nullptr;
       record = record->Next.get()) {
    // Only drives the machine has and that are fixed are listed, each with its own numbers.
    const char letter = record->DriveName[0];
    const bool c = letter == 'C' || letter == 'c';
    QL_FUZZ_CHECK(c || letter == 'D' || letter == 'd');
    QL_FUZZ_CHECK(record->DriveName[1] == ':' && record->DriveName[2] == '\0');
    QL_FUZZ_CHECK(record->DiskNumber == (c ? 0u : 1u));
    QL_FUZZ_CHECK(record->PartitionNumber == (c ? 1u : 2u));
    ++count;
  }
  // Each listed root took at least three bytes ("C:" and its NUL; the last one's NUL may lie
  // just past the reported length) of the reported length.
  QL_FUZZ_CHECK(count * 3 <= std::size_t{disks.listReported} + 1);
  return 0;
}
