#include "tune/system_info.h"

#include <string_view>

#include "tune/number_text.h"

namespace ql::tune {

namespace {

std::string Kilobytes(std::uint64_t bytes) { return std::to_string(bytes / 1024) + " KB"; }

const char* ArchitectureName(std::uint16_t architecture) {
  switch (architecture) {
    case 0:
      return "Intel";
    case 1:
      return "MIPS";
    case 2:
      return "Alpha";
    case 3:
      return "PowerPC";
    default:
      return "Unknown";
  }
}

std::string PlatformName(std::uint32_t platformId) {
  switch (platformId) {
    case 0:
      return "Win32s";
    case 1:
      return "Windows 95/98";
    case 2:
      return "Windows NT";
    default:
      return "Unknown (" + std::to_string(platformId) + ")";
  }
}

std::string UserName(EventLog& log) {
  char buffer[257] = {};
  std::uint32_t size = sizeof buffer - 1;
  Status error = err::kSuccess;
  if (!log.GetUserName(buffer, &size, &error)) return "N/A";
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

}  // namespace

SystemInfoTexts GatherSystemInfo(const Platform& platform, const std::string& computerName,
                                 const ProcessorInfo& processors) {
  SystemInfoTexts texts;

  OsVersion version;
  if (platform.eventLog.GetVersion(&version)) {
    texts.version = "Version: " + std::to_string(version.majorVersion) + "." +
                    std::to_string(version.minorVersion) + " " + version.csdVersion +
                    "\r\nBuild: " + std::to_string(version.buildNumber) +
                    "\r\nPlatform: " + PlatformName(version.platformId);
  } else {
    texts.version = "Version: N/A\r\nBuild: N/A\r\nPlatform: N/A";
  }

  char directory[261] = {};
  const std::uint32_t length = platform.disks.GetWindowsDirectory(directory, 260);
  const std::string windows = length > 0 && length < 260 ? std::string(directory, length) : "N/A";
  texts.general = "User name: " + UserName(platform.eventLog) + "\r\nComputer name: " +
                  (computerName.empty() ? std::string("N/A") : computerName) +
                  "\r\nWindows directory: " + windows;

  MemoryStatus memory;
  platform.memory.GlobalMemoryStatus(&memory);
  const std::uint32_t usedPageFile =
      memory.totalPageFile == 0 ? 0
                                : static_cast<std::uint32_t>(
                                      (std::uint64_t{memory.totalPageFile} - memory.availPageFile) *
                                      100 / memory.totalPageFile);
  texts.memory = "Physical total: " + Kilobytes(memory.totalPhys) +
                 "\r\nPhysical available: " + Kilobytes(memory.availPhys) +
                 "\r\nMemory load: " + std::to_string(memory.memoryLoad) + " %" +
                 "\r\nPage file total: " + Kilobytes(memory.totalPageFile) +
                 "\r\nPage file available: " + Kilobytes(memory.availPageFile) +
                 "\r\nPage file used: " + std::to_string(usedPageFile) + " %" +
                 "\r\nVirtual total: " + Kilobytes(memory.totalVirtual) +
                 "\r\nVirtual available: " + Kilobytes(memory.availVirtual);

  std::string active;
  for (std::uint32_t i = 0; i < 32; ++i) {
    if ((processors.activeMask >> i & 1u) != 0) {
      if (!active.empty()) active += ", ";
      active += "#" + std::to_string(i);
    }
  }
  texts.processors = "Number of processors: " + std::to_string(processors.count) +
                     "\r\nArchitecture: " + ArchitectureName(processors.architecture) +
                     "\r\nType: " + std::to_string(processors.type) +
                     "\r\nActive processors: " + (active.empty() ? "none" : active);

  char roots[512] = {};
  const std::uint32_t written = platform.disks.GetLogicalDriveStrings(sizeof roots - 1, roots);
  if (written > 0 && written < sizeof roots - 1) {
    std::string_view rest(roots, written);
    while (!rest.empty()) {
      const auto end = rest.find('\0');
      const std::string_view root = rest.substr(0, end);
      if (!root.empty()) texts.drives.emplace_back(root);
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
  }
  return texts;
}

std::string DiskInfoText(Disks& disks, const std::string& root) {
  char name[261] = {};
  char fileSystem[261] = {};
  std::uint32_t serial = 0;
  std::uint32_t maxComponent = 0;
  std::uint32_t flags = 0;
  Status error = err::kSuccess;
  std::string text;
  if (disks.GetVolumeInformation(root.c_str(), name, 260, &serial, &maxComponent, &flags,
                                 fileSystem, 260, &error)) {
    char serialText[16] = {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int i = 0; i < 8; ++i) serialText[i] = kHex[(serial >> (28 - 4 * i)) & 0xF];
    text = "Volume name: " + std::string(name) +
           "\r\nSerial number: " + std::string(serialText, 4) + "-" +
           std::string(serialText + 4, 4) +
           "\r\nLong names: " + (maxComponent > 12 ? "yes" : "no") + " (" +
           std::to_string(maxComponent) + ")" + "\r\nFile system: " + fileSystem +
           "\r\nFile-system flags: " + std::to_string(flags);
  } else {
    text = "Volume information not available (error " + std::to_string(error) + ")";
  }
  DiskFreeSpace space;
  if (disks.GetDiskFreeSpace(root.c_str(), &space, &error)) {
    const std::uint64_t cluster = std::uint64_t{space.sectorsPerCluster} * space.bytesPerSector;
    text += "\r\nBytes per sector: " + std::to_string(space.bytesPerSector) +
            "\r\nSectors per cluster: " + std::to_string(space.sectorsPerCluster) +
            "\r\nTotal space: " + Kilobytes(cluster * space.totalNumberOfClusters) +
            "\r\nFree space: " + Kilobytes(cluster * space.numberOfFreeClusters);
  } else {
    text += "\r\nSpace not available";
  }
  return text;
}

}  // namespace ql::tune
