// The wizard's registry and service work: what is put in place at every start
// (PrepareRegistry), what Finish writes (WriteDriverSettings) and the registration of the
// allocator service (RegisterAllocatorService).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "common/driver_settings.h"
#include "platform/platform.h"

namespace ql::config {

// The group-order value is read into this many bytes; a longer value fails the query.
inline constexpr std::uint32_t kGroupOrderBytes = 1024;
// The group the driver is placed before.
inline constexpr char kFilterGroup[] = "filter";
// Event types the driver's event source supports: error, warning and information.
inline constexpr std::uint32_t kTypesSupported = 7;
// OpenSCManagerA access needed to create a service.
inline constexpr std::uint32_t kScManagerCreateService = 0x0002;

// The process's standard error stream, where the group-order warnings go (a window program
// shows nothing of it).
class ErrorStream {
 public:
  virtual ~ErrorStream() = default;
  virtual void Write(std::string_view text) = 0;
};

// The outcome of rebuilding the group order list around one group name.
struct GroupOrderRebuild {
  // The group already stands in the list (any letter case): nothing is to be written.
  bool present = false;
  // The group was put in front of the first "filter" entry.
  bool inserted = false;
  // The rebuilt multi-string, zero-padded to at least writeLength bytes.
  std::vector<std::uint8_t> list;
  // The number of bytes to store: the old length, plus the name and its NUL when inserted.
  std::uint32_t writeLength = 0;
};

// Rebuilds the multi-string `old` (exactly the bytes the query returned, terminated or not)
// so that `group` stands once, directly before the first "filter" entry. Names compare
// without regard to ASCII letter case. Never looks past old's end.
GroupOrderRebuild RebuildGroupOrder(std::span<const std::uint8_t> old, std::string_view group);

// MinLRU as the driver is given it: a quarter of MaxLRU, at most 32.
constexpr std::uint32_t DeriveMinLru(std::uint32_t maxLru) {
  const std::uint32_t quarter = maxLru >> 2;
  return quarter > 32 ? 32 : quarter;
}

// 1 when the cached partition is the one holding the Windows directory (exact character
// comparison of the drive letters), else 0.
constexpr std::uint32_t DeriveSystemDevice(const char* dosDevice, char systemRootDrive) {
  return dosDevice[0] == systemRootDrive ? 1u : 0u;
}

// Puts in place what the driver needs before any page is shown: the Windows directory's
// drive letter, the key paths, the memory-management precondition, the group order entry and
// the event source. Returns false after it has shown its message (or written its warning to
// `errors`); the caller then ends the run.
bool PrepareRegistry(const Platform& platform, DriverSettings& settings, const char* serviceName,
                     ErrorStream& errors);

// Writes the driver's service key and parameters in their fixed order. The first failure
// shows its message, closes the open key and returns false; what was written stays.
bool WriteDriverSettings(const Platform& platform, DriverSettings& settings);

// Creates the allocator service (own process, interactive, automatic start, normal error
// control, LocalSystem). False when the manager does not open or the creation fails, which
// includes a service of that name already being there; the failed call's status then goes
// to *error when given.
bool RegisterAllocatorService(ServiceControl& services, const char* serviceName,
                              const char* programPath, Status* error = nullptr);

}  // namespace ql::config
