// The fixed drives the options page offers: one record per qualifying drive, in the order the
// platform reports them, with its size and the disk and partition numbers of its device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace ql::config {

inline constexpr std::uint32_t kDriveStringsChars = 512;
inline constexpr std::uint32_t kDeviceTargetChars = 64;
inline constexpr std::uint32_t kVolumeNameChars = 32;
// "\Device\Harddisk" and "\Partition": the numbers are found by these lengths.
inline constexpr std::size_t kHarddiskPrefixChars = 16;
inline constexpr std::size_t kPartitionPrefixChars = 10;

struct DriveRecord {
  std::uint64_t SizeBytes = 0;
  std::uint32_t DiskNumber = 0;
  std::uint32_t PartitionNumber = 0;
  char DeviceTarget[kDeviceTargetChars] = {};
  char DriveName[3] = {};
  std::unique_ptr<DriveRecord> Next;

  DriveRecord() = default;
  DriveRecord(const DriveRecord&) = delete;
  DriveRecord& operator=(const DriveRecord&) = delete;
  // Unlinks iteratively, so a long list does not recurse on destruction.
  ~DriveRecord();
};

struct DeviceNumbers {
  std::uint32_t disk = 0;
  std::uint32_t partition = 0;
};

// Reads the disk and partition numbers of a device name of the form
// "\Device\Harddisk<N>\Partition<M>" by position: the prefixes are skipped by their lengths,
// not compared. Numbers are decimal, as the platform writes them; a number not found (no
// digit at its place, or its place beyond the end of the text) is 0.
DeviceNumbers ReadDeviceTargetNumbers(std::string_view target);

// Total size of a volume: sectors per cluster times bytes per sector in 32 bits (as the
// platform's own figures are), then times the cluster count in 64 bits.
std::uint64_t VolumeSizeBytes(const DiskFreeSpace& space);

// Lists the fixed drives whose free-space and volume queries succeed. On a failure of the
// drive strings or of a device query it shows its message (caption `programName`) and
// returns null; null also when no drive qualifies.
std::unique_ptr<DriveRecord> EnumerateFixedDrives(const Platform& platform,
                                                  std::string_view programName);

// The list entry of a drive: its name and its size in MiB.
std::string FormatDriveEntry(const DriveRecord& record);

}  // namespace ql::config
