#include "sim/sim_disks.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "sim/sim_text.h"

namespace ql::sim {

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Copies text with its NUL into a buffer of size bytes, cut to fit (as lstrcpynA does).
void CopyBounded(const std::string& text, char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return;
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}
}  // namespace

SimDisks::SimDisks() { drives.push_back(FixedDrive('C', 0, 1)); }

std::string SimDisks::Target(std::string_view text) {
  std::string out(text);
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

SimDisks::Drive SimDisks::FixedDrive(char letter, std::uint32_t disk, std::uint32_t partition,
                                     std::uint64_t totalBytes) {
  Drive drive;
  drive.letter = Upper(letter);
  drive.type = drive::kFixed;
  drive.space.sectorsPerCluster = 8;
  drive.space.bytesPerSector = 512;
  drive.space.totalNumberOfClusters = static_cast<std::uint32_t>(totalBytes / 4096);
  drive.space.numberOfFreeClusters = drive.space.totalNumberOfClusters / 2;
  drive.dosTarget = Target("\\Device\\Harddisk" + std::to_string(disk) + "\\Partition" +
                           std::to_string(partition));
  return drive;
}

SimDisks::Drive* SimDisks::FindDrive(char letter) {
  for (auto& drive : drives) {
    if (drive.letter == Upper(letter)) return &drive;
  }
  return nullptr;
}

// "C:\" (or "C:") names drive C.
SimDisks::Drive* SimDisks::FindRoot(const char* root) {
  if (root == nullptr || root[0] == '\0' || root[1] != ':') return nullptr;
  if (root[2] != '\0' && !(root[2] == '\\' && root[3] == '\0')) return nullptr;
  return FindDrive(root[0]);
}

std::uint32_t SimDisks::GetLogicalDriveStrings(std::uint32_t size, char* buffer) {
  queries_.push_back("GetLogicalDriveStrings");
  if (driveStringsFaults.OnCall() != err::kSuccess) return 0;
  std::string text;
  for (const auto& drive : drives) {
    text += drive.letter;
    text += ":\\";
    text += '\0';
  }
  const auto length = static_cast<std::uint32_t>(text.size());
  if (length + 1 > size || buffer == nullptr) return length + 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

std::uint32_t SimDisks::GetDriveType(const char* root) {
  queries_.push_back("GetDriveType " + OrEmpty(root));
  const Drive* drive = FindRoot(root);
  return drive == nullptr ? drive::kNoRootDir : drive->type;
}

bool SimDisks::GetDiskFreeSpace(const char* root, DiskFreeSpace* out, Status* error) {
  queries_.push_back("GetDiskFreeSpace " + OrEmpty(root));
  const Drive* drive = FindRoot(root);
  const Status status = drive == nullptr ? err::kPathNotFound : drive->spaceError;
  if (status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return false;
  }
  if (out != nullptr) *out = drive->space;
  return true;
}

bool SimDisks::GetVolumeInformation(const char* root, char* name, std::uint32_t nameSize,
                                    std::uint32_t* serial, std::uint32_t* maxComponent,
                                    std::uint32_t* flags, char* fileSystem,
                                    std::uint32_t fileSystemSize, Status* error) {
  queries_.push_back("GetVolumeInformation " + OrEmpty(root));
  const Drive* drive = FindRoot(root);
  const Status status = drive == nullptr ? err::kPathNotFound : drive->volumeError;
  if (status != err::kSuccess) {
    if (error != nullptr) *error = status;
    return false;
  }
  CopyBounded(drive->volumeName, name, nameSize);
  CopyBounded(drive->fileSystem, fileSystem, fileSystemSize);
  if (serial != nullptr) *serial = drive->serial;
  if (maxComponent != nullptr) *maxComponent = drive->maxComponent;
  if (flags != nullptr) *flags = drive->flags;
  return true;
}

std::uint32_t SimDisks::QueryDosDevice(const char* deviceName, char* buffer, std::uint32_t size,
                                       Status* error) {
  queries_.push_back("QueryDosDevice " + OrEmpty(deviceName));
  auto fail = [&](Status status) {
    if (error != nullptr) *error = status;
    return 0u;
  };
  if (deviceName == nullptr) return fail(err::kInvalidParameter);  // the full list: not kept
  const std::string name(deviceName);
  const Drive* drive = (name.size() == 2 && name[1] == ':') ? FindDrive(name[0]) : nullptr;
  if (drive == nullptr) return fail(err::kFileNotFound);
  if (drive->dosTargetError != err::kSuccess) return fail(drive->dosTargetError);
  const auto length = static_cast<std::uint32_t>(drive->dosTarget.size());
  if (length > size || buffer == nullptr) return fail(err::kInsufficientBuffer);
  std::memcpy(buffer, drive->dosTarget.data(), length);
  return length;
}

std::uint32_t SimDisks::GetWindowsDirectory(char* buffer, std::uint32_t size) {
  queries_.push_back("GetWindowsDirectory");
  if (windowsDirectoryFaults.OnCall() != err::kSuccess) return 0;
  const auto length = static_cast<std::uint32_t>(windowsDirectory.size());
  if (buffer == nullptr || size < length + 1) return length + 1;
  std::memcpy(buffer, windowsDirectory.c_str(), length + 1);
  return length;
}

std::string SimDisks::ToString() const {
  std::ostringstream out;
  out << "disks: windows directory \"" << windowsDirectory << "\"\n";
  for (const auto& drive : drives) {
    out << "  " << drive.letter << ": type " << drive.type << " clusters "
        << drive.space.totalNumberOfClusters << " x " << drive.space.sectorsPerCluster << " x "
        << drive.space.bytesPerSector << ", target " << drive.dosTarget.size() << " bytes \"";
    for (const char c : drive.dosTarget) {
      if (c == '\0') {
        out << "\\0";
      } else {
        out << c;
      }
    }
    out << "\"\n";
  }
  return out.str();
}

}  // namespace ql::sim
