// Disks and volumes on the real machine.
#pragma once

#include "platform/disks.h"

namespace ql::win32 {

class Win32Disks final : public Disks {
 public:
  std::uint32_t GetLogicalDriveStrings(std::uint32_t size, char* buffer) override;
  std::uint32_t GetDriveType(const char* root) override;
  bool GetDiskFreeSpace(const char* root, DiskFreeSpace* out, Status* error) override;
  bool GetVolumeInformation(const char* root, char* name, std::uint32_t nameSize,
                            std::uint32_t* serial, std::uint32_t* maxComponent,
                            std::uint32_t* flags, char* fileSystem, std::uint32_t fileSystemSize,
                            Status* error) override;
  std::uint32_t QueryDosDevice(const char* deviceName, char* buffer, std::uint32_t size,
                               Status* error) override;
  std::uint32_t GetWindowsDirectory(char* buffer, std::uint32_t size) override;
};

}  // namespace ql::win32
