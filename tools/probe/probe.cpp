// qlprobe: reads the driver's settings from the registry and asks its control device, the way
// the programs do, through the shared driver store and the real platform. The Wine tests use
// it to check the registry fixtures, the boot-loaded driver and the platform together.
//
//   qlprobe [stats count]
//
// Prints one line per step:
//   start=<n> dosdevice="<text>" path="<device path>"
//   size=<low> high=<high> returned=<bytes>
//   stats[<i>] write=<n> writebehind=<n> read=<n> readhit=<n> returned=<bytes>
// and on a failure "error: <step> <code>" on standard error, with exit status 1.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/driver_control.h"
#include "common/driver_settings.h"
#include "win32/win32_machine.h"

namespace {

int Failed(const char* step, ql::Status status) {
  std::fprintf(stderr, "error: %s %lu\n", step, static_cast<unsigned long>(status));
  return 1;
}

std::uint64_t Le64(const std::uint8_t* bytes) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  long statsCount = 2;
  if (argc > 1) {
    char* end = nullptr;
    statsCount = std::strtol(argv[1], &end, 10);
    if (*end != '\0' || statsCount < 0 || statsCount > 1000) {
      std::fprintf(stderr, "usage: qlprobe [stats count]\n");
      return 2;
    }
  }
  ql::win32::Win32Machine machine;
  ql::Platform platform = machine.platform();

  std::uint32_t start = 0xFFFFFFFFu;
  ql::DosDeviceText dosDevice = {};
  {
    ql::ScopedKey service(platform.registry);
    ql::Status status = platform.registry.OpenKey(ql::kHkeyLocalMachine, ql::kServiceKeyPath,
                                                  ql::reg::kAllAccess, service.Receive());
    if (status != ql::err::kSuccess) return Failed("open service key", status);
    if (!ql::ReadDwordValue(platform.registry, service.Get(), ql::val::kStart, &start, &status)) {
      return Failed("read Start", status);
    }
    ql::ScopedKey parameters(platform.registry);
    status = platform.registry.OpenKey(ql::kHkeyLocalMachine, ql::kParametersKeyPath,
                                       ql::reg::kAllAccess, parameters.Receive());
    if (status != ql::err::kSuccess) return Failed("open parameters key", status);
    if (!ql::ReadDosDeviceValue(platform.registry, parameters.Get(), dosDevice, &status)) {
      return Failed("read DosDevice", status);
    }
  }
  char path[8] = {};
  if (!ql::FormServiceDevicePath(dosDevice[0], path)) return Failed("form device path", 0);
  std::printf("start=%lu dosdevice=\"%s\" path=\"%s\"\n", static_cast<unsigned long>(start),
              dosDevice, path);

  ql::Status error = 0;
  ql::Handle device = platform.device.CreateFile(path, ql::kDeviceAccess, ql::kDeviceShare,
                                                 ql::kDeviceCreation, 0, &error);
  if (device == ql::kInvalidHandle) return Failed("open device", error);

  int result = 0;
  std::uint8_t size[ql::kQuerySizeOutputBytes] = {};
  std::uint32_t returned = 0;
  if (!platform.device.DeviceIoControl(device, ql::IOCTL_OV_QUERY_SIZE, nullptr, 0, size,
                                       sizeof size, &returned, &error)) {
    result = Failed("IOCTL_OV_QUERY_SIZE", error);
  } else {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    std::memcpy(&low, size, 4);
    std::memcpy(&high, size + 4, 4);
    std::printf("size=%lu high=%lu returned=%lu\n", static_cast<unsigned long>(low),
                static_cast<unsigned long>(high), static_cast<unsigned long>(returned));
  }
  for (long i = 0; result == 0 && i < statsCount; ++i) {
    std::uint8_t stats[sizeof(ql::OV_STATISTICS)] = {};
    if (!platform.device.DeviceIoControl(device, ql::IOCTL_OV_GET_STATS, nullptr, 0, stats,
                                         sizeof stats, &returned, &error)) {
      result = Failed("IOCTL_OV_GET_STATS", error);
      break;
    }
    std::printf("stats[%ld] write=%" PRIu64 " writebehind=%" PRIu64 " read=%" PRIu64
                " readhit=%" PRIu64 " returned=%lu\n",
                i, Le64(stats), Le64(stats + 8), Le64(stats + 16), Le64(stats + 24),
                static_cast<unsigned long>(returned));
  }
  platform.device.CloseHandle(device);
  std::fflush(stdout);
  return result;
}
