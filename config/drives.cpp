#include "config/drives.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "config/texts.h"

namespace ql::config {
namespace {

constexpr std::uint32_t kErrorBox = mb::kOk | mb::kIconHand;

// The length of the text at `text`, looking at no more than `limit` characters.
std::size_t BoundedLength(const char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

// Reads the decimal number whose digits start at pos; leaves pos after its digits. No digit
// gives 0 and leaves pos where it was. A number too large for 32 bits saturates.
std::uint32_t ReadNumber(std::string_view text, std::size_t& pos) {
  std::uint64_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) {
      value = std::numeric_limits<std::uint32_t>::max();
    }
    ++pos;
  }
  return static_cast<std::uint32_t>(value);
}

// One number at pos: a '0' there stands alone, otherwise the digits starting there count.
std::uint32_t ReadNumberAt(std::string_view text, std::size_t& pos) {
  if (pos >= text.size()) return 0;
  if (text[pos] == '0') {
    ++pos;
    return 0;
  }
  return ReadNumber(text, pos);
}

}  // namespace

DriveRecord::~DriveRecord() {
  std::unique_ptr<DriveRecord> next = std::move(Next);
  while (next) next = std::move(next->Next);
}

DeviceNumbers ReadDeviceTargetNumbers(std::string_view target) {
  DeviceNumbers numbers;
  std::size_t pos = kHarddiskPrefixChars;
  numbers.disk = ReadNumberAt(target, pos);
  pos += kPartitionPrefixChars;
  numbers.partition = ReadNumberAt(target, pos);
  return numbers;
}

std::uint64_t VolumeSizeBytes(const DiskFreeSpace& space) {
  const std::uint32_t bytesPerCluster = space.sectorsPerCluster * space.bytesPerSector;
  return static_cast<std::uint64_t>(bytesPerCluster) * space.totalNumberOfClusters;
}

std::unique_ptr<DriveRecord> EnumerateFixedDrives(const Platform& platform,
                                                  std::string_view programName) {
  char roots[kDriveStringsChars] = {};
  const std::uint32_t length = platform.disks.GetLogicalDriveStrings(kDriveStringsChars, roots);
  if (length == 0) {
    platform.ui.MessageBox(kNoWindow, kDriveStringsFailed, programName, kErrorBox);
    return nullptr;
  }
  // A result larger than the buffer means nothing was stored; otherwise only the reported
  // characters are roots, and the last byte stays a terminator.
  const std::size_t limit = length < kDriveStringsChars ? length : 0;

  std::unique_ptr<DriveRecord> head;
  std::unique_ptr<DriveRecord>* tail = &head;
  std::size_t pos = 0;
  while (pos < limit && roots[pos] != '\0') {
    const std::string root(roots + pos, BoundedLength(roots + pos, limit - pos));
    pos += root.size() + 1;

    if (platform.disks.GetDriveType(root.c_str()) != drive::kFixed) continue;
    DiskFreeSpace space;
    if (!platform.disks.GetDiskFreeSpace(root.c_str(), &space, nullptr)) continue;
    char volumeName[kVolumeNameChars] = {};
    if (!platform.disks.GetVolumeInformation(root.c_str(), volumeName, kVolumeNameChars, nullptr,
                                             nullptr, nullptr, nullptr, 0, nullptr)) {
      continue;
    }

    auto record = std::make_unique<DriveRecord>();
    record->SizeBytes = VolumeSizeBytes(space);
    std::memcpy(record->DriveName, root.data(), root.size() < 2 ? root.size() : 2);

    const std::uint32_t stored = platform.disks.QueryDosDevice(
        record->DriveName, record->DeviceTarget, kDeviceTargetChars, nullptr);
    if (stored == 0) {
      char text[sizeof kQueryDosDeviceFailedFormat + sizeof record->DriveName] = {};
      std::snprintf(text, sizeof text, kQueryDosDeviceFailedFormat, record->DriveName);
      platform.ui.MessageBox(kNoWindow, text, programName, kErrorBox);
      return nullptr;
    }
    // The first target only, and never beyond what was stored or the buffer's end.
    record->DeviceTarget[kDeviceTargetChars - 1] = '\0';
    const std::size_t targetLength = BoundedLength(
        record->DeviceTarget, stored < kDeviceTargetChars ? stored : kDeviceTargetChars);
    const DeviceNumbers numbers =
        ReadDeviceTargetNumbers(std::string_view(record->DeviceTarget, targetLength));
    record->DiskNumber = numbers.disk;
    record->PartitionNumber = numbers.partition;

    *tail = std::move(record);
    tail = &(*tail)->Next;
  }
  return head;
}

std::string FormatDriveEntry(const DriveRecord& record) {
  char text[64] = {};
  std::snprintf(text, sizeof text, kDriveEntryFormat, record.DriveName,
                static_cast<int>(static_cast<std::int32_t>(record.SizeBytes / 1048576u)));
  return text;
}

}  // namespace ql::config
