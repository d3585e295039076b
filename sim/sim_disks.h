// Drives and volumes from a scripted list.
//
// Every answer is bounded by the caller's buffer size the way the platform bounds it, so
// callers' handling of short buffers and of device targets without their terminators is
// exercised exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/disks.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimDisks : public Disks {
 public:
  struct Drive {
    char letter = 'C';
    std::uint32_t type = drive::kFixed;
    // GetDiskFreeSpaceA: the figures, or the error it fails with (0 = answers).
    DiskFreeSpace space{8, 512, 100000, 500000};
    Status spaceError = 0;
    // GetVolumeInformationA: the answer, or the error it fails with (0 = answers).
    std::string volumeName = "SYSTEM";
    std::uint32_t serial = 0x12345678;
    std::uint32_t maxComponent = 255;
    std::uint32_t flags = 0x7;
    std::string fileSystem = "NTFS";
    Status volumeError = 0;
    // QueryDosDeviceA: exactly these bytes are the answer (terminators included when the
    // test includes them), or the error it fails with (0 = answers).
    std::string dosTarget;
    Status dosTargetError = 0;
  };

  // A fixed drive whose device target is "\Device\Harddisk<disk>\Partition<partition>"
  // with both terminators, and whose cluster figures give the size asked for.
  static Drive FixedDrive(char letter, std::uint32_t disk, std::uint32_t partition,
                          std::uint64_t totalBytes = 1000ull * 1024 * 1024);
  // The target bytes of a well-formed multi-string with one entry.
  static std::string Target(std::string_view text);

  // Disks
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

  // --- Scripting -----------------------------------------------------------------------
  // The drives in the order GetLogicalDriveStrings lists them (C: as above by default).
  std::vector<Drive> drives;
  std::string windowsDirectory = "C:\\WINNT";
  FaultPlan driveStringsFaults;      // GetLogicalDriveStrings returns 0
  FaultPlan windowsDirectoryFaults;  // GetWindowsDirectory returns 0
  void AddDrive(Drive drive) { drives.push_back(std::move(drive)); }
  Drive* FindDrive(char letter);

  // --- What tests read ------------------------------------------------------------------
  // Every root or device name asked about, in order, with the operation's name.
  [[nodiscard]] const std::vector<std::string>& Queries() const { return queries_; }

  [[nodiscard]] std::string ToString() const;

  SimDisks();

 private:
  Drive* FindRoot(const char* root);
  std::vector<std::string> queries_;
};

}  // namespace ql::sim
