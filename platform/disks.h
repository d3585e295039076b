// Disks and volumes: GetLogicalDriveStringsA, GetDriveTypeA, GetDiskFreeSpaceA,
// GetVolumeInformationA, QueryDosDeviceA, GetWindowsDirectoryA. Raw buffers as the platform
// gives them, so the callers' bounds handling is exercised exactly.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace ql {

namespace drive {
inline constexpr std::uint32_t kUnknown = 0;
inline constexpr std::uint32_t kNoRootDir = 1;
inline constexpr std::uint32_t kRemovable = 2;
inline constexpr std::uint32_t kFixed = 3;
inline constexpr std::uint32_t kRemote = 4;
inline constexpr std::uint32_t kCdrom = 5;
inline constexpr std::uint32_t kRamdisk = 6;
}  // namespace drive

struct DiskFreeSpace {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t numberOfFreeClusters = 0;
  std::uint32_t totalNumberOfClusters = 0;
};

class Disks {
 public:
  virtual ~Disks() = default;

  // GetLogicalDriveStringsA(size, buffer): "C:\<NUL>D:\<NUL><NUL>". Returns the length
  // written without the final NUL, or the size needed when it exceeds size; 0 on failure.
  virtual std::uint32_t GetLogicalDriveStrings(std::uint32_t size, char* buffer) = 0;

  // GetDriveTypeA(root)
  virtual std::uint32_t GetDriveType(const char* root) = 0;

  // GetDiskFreeSpaceA(root, ...)
  virtual bool GetDiskFreeSpace(const char* root, DiskFreeSpace* out, Status* error) = 0;

  // GetVolumeInformationA(root, name, nameSize, &serial, &maxComponent, &flags, fs, fsSize).
  // name and fileSystem may be null with size 0.
  virtual bool GetVolumeInformation(const char* root, char* name, std::uint32_t nameSize,
                                    std::uint32_t* serial, std::uint32_t* maxComponent,
                                    std::uint32_t* flags, char* fileSystem,
                                    std::uint32_t fileSystemSize, Status* error) = 0;

  // QueryDosDeviceA(name, buffer, size): a multi-string of targets; returns the number of
  // characters stored (both terminators included), 0 on failure.
  virtual std::uint32_t QueryDosDevice(const char* deviceName, char* buffer, std::uint32_t size,
                                       Status* error) = 0;

  // GetWindowsDirectoryA(buffer, size): length without NUL, or the size needed (with NUL)
  // when the buffer is too small; 0 on failure.
  virtual std::uint32_t GetWindowsDirectory(char* buffer, std::uint32_t size) = 0;
};

}  // namespace ql
