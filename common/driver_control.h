// The cache driver's control interface: its three control codes and their records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ql {

// CTL_CODE(DeviceType, Function, Method, Access)
constexpr std::uint32_t CtlCode(std::uint32_t deviceType, std::uint32_t function,
                                std::uint32_t method, std::uint32_t access) {
  return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

inline constexpr std::uint32_t kDriverDeviceType = 0x8400;
inline constexpr std::uint32_t kMethodBuffered = 0;
inline constexpr std::uint32_t kFileAnyAccess = 0;
inline constexpr std::uint32_t kFileReadAccess = 1;

inline constexpr std::uint32_t IOCTL_OV_GET_STATS =
    CtlCode(kDriverDeviceType, 0x820, kMethodBuffered, kFileReadAccess);
inline constexpr std::uint32_t IOCTL_OV_QUERY_SIZE =
    CtlCode(kDriverDeviceType, 0x828, kMethodBuffered, kFileReadAccess);
inline constexpr std::uint32_t IOCTL_OV_FINAL_INIT =
    CtlCode(kDriverDeviceType, 0x830, kMethodBuffered, kFileAnyAccess);

static_assert(IOCTL_OV_GET_STATS == 0x84006080u);
static_assert(IOCTL_OV_QUERY_SIZE == 0x840060A0u);
static_assert(IOCTL_OV_FINAL_INIT == 0x840020C0u);

// Input of IOCTL_OV_FINAL_INIT, 16 bytes little-endian. All zero means: no buffer.
struct OV_BUFFER_INFO {
  std::uint64_t BufferSize;     // the service fills the low 32 bits
  std::uint32_t BufferAddress;  // 32-bit user-mode address
  std::uint32_t DeviceHandle;   // the sender's own handle of the device
};
static_assert(sizeof(OV_BUFFER_INFO) == 16);
static_assert(offsetof(OV_BUFFER_INFO, BufferSize) == 0);
static_assert(offsetof(OV_BUFFER_INFO, BufferAddress) == 8);
static_assert(offsetof(OV_BUFFER_INFO, DeviceHandle) == 12);

// Output of IOCTL_OV_GET_STATS, 48 bytes little-endian; cumulative counters.
struct OV_STATISTICS {
  std::uint64_t WriteCount;
  std::uint64_t WriteBehindCount;
  std::uint64_t ReadCount;
  std::uint64_t ReadHitCount;
  std::uint8_t Reserved[16];  // not read by the programs
};
static_assert(sizeof(OV_STATISTICS) == 48);
static_assert(offsetof(OV_STATISTICS, WriteCount) == 0);
static_assert(offsetof(OV_STATISTICS, WriteBehindCount) == 8);
static_assert(offsetof(OV_STATISTICS, ReadCount) == 16);
static_assert(offsetof(OV_STATISTICS, ReadHitCount) == 24);

// Output of IOCTL_OV_QUERY_SIZE: unsigned 64-bit, low half first.
inline constexpr std::uint32_t kQuerySizeOutputBytes = 8;

// How both programs open the device.
inline constexpr std::uint32_t kDeviceAccess = 0x80000000u;  // GENERIC_READ
inline constexpr std::uint32_t kDeviceShare = 0x1 | 0x2;     // FILE_SHARE_READ | WRITE
inline constexpr std::uint32_t kDeviceCreation = 3;          // OPEN_EXISTING

// Device path forms: "\\.\%c:" (service: one upper-cased letter) and "\\.\%s" (monitor:
// the DosDevice text). Both return false, leaving out empty, rather than overflow out.
bool FormServiceDevicePath(char letter, char (&out)[8]);
bool FormMonitorDevicePath(const char* dosDevice, char (&out)[8]);

}  // namespace ql
