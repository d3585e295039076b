#include "win32/win32_disks.h"

#include "win32/win32_windows.h"

namespace ql::win32 {

std::uint32_t Win32Disks::GetLogicalDriveStrings(std::uint32_t size, char* buffer) {
  return static_cast<std::uint32_t>(::GetLogicalDriveStringsA(size, buffer));
}

std::uint32_t Win32Disks::GetDriveType(const char* root) {
  return static_cast<std::uint32_t>(::GetDriveTypeA(root));
}

bool Win32Disks::GetDiskFreeSpace(const char* root, DiskFreeSpace* out, Status* error) {
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
    StoreLastError(error);
    return false;
  }
  if (out != nullptr) {
    out->sectorsPerCluster = static_cast<std::uint32_t>(sectorsPerCluster);
    out->bytesPerSector = static_cast<std::uint32_t>(bytesPerSector);
    out->numberOfFreeClusters = static_cast<std::uint32_t>(freeClusters);
    out->totalNumberOfClusters = static_cast<std::uint32_t>(totalClusters);
  }
  return true;
}

bool Win32Disks::GetVolumeInformation(const char* root, char* name, std::uint32_t nameSize,
                                      std::uint32_t* serial, std::uint32_t* maxComponent,
                                      std::uint32_t* flags, char* fileSystem,
                                      std::uint32_t fileSystemSize, Status* error) {
  DWORD volumeSerial = 0;
  DWORD componentLength = 0;
  DWORD systemFlags = 0;
  if (!::GetVolumeInformationA(root, name, nameSize, &volumeSerial, &componentLength, &systemFlags,
                               fileSystem, fileSystemSize)) {
    StoreLastError(error);
    return false;
  }
  if (serial != nullptr) *serial = static_cast<std::uint32_t>(volumeSerial);
  if (maxComponent != nullptr) *maxComponent = static_cast<std::uint32_t>(componentLength);
  if (flags != nullptr) *flags = static_cast<std::uint32_t>(systemFlags);
  return true;
}

std::uint32_t Win32Disks::QueryDosDevice(const char* deviceName, char* buffer, std::uint32_t size,
                                         Status* error) {
  const DWORD stored = ::QueryDosDeviceA(deviceName, buffer, size);
  if (stored == 0) StoreLastError(error);
  return static_cast<std::uint32_t>(stored);
}

std::uint32_t Win32Disks::GetWindowsDirectory(char* buffer, std::uint32_t size) {
  return static_cast<std::uint32_t>(::GetWindowsDirectoryA(buffer, size));
}

}  // namespace ql::win32
