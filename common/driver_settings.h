// The driver's parameter store: key paths, value names, the wizard's in-memory image of the
// keys and the read rules every program shares.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/registry.h"
#include "platform/types.h"

namespace ql {

inline constexpr char kDriverName[] = "QlDrv";

// Formats of the three driver keys; each formed path is held in 64 characters.
inline constexpr char kServiceKeyFormat[] = "SYSTEM\\CurrentControlSet\\Services\\%s";
inline constexpr char kParametersKeyFormat[] =
    "SYSTEM\\CurrentControlSet\\Services\\%s\\Parameters";
inline constexpr char kEventSourceKeyFormat[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\%s";
inline constexpr std::size_t kKeyPathChars = 64;

// The paths formed from kDriverName, for the readers that use them as constants.
inline constexpr char kServiceKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\QlDrv";
inline constexpr char kParametersKeyPath[] =
    "SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters";
inline constexpr char kEventSourceKeyPath[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\QlDrv";
inline constexpr char kGroupOrderKeyPath[] =
    "SYSTEM\\CurrentControlSet\\Control\\ServiceGroupOrder";
inline constexpr char kMemoryManagementKeyPath[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
inline constexpr char kAllocServiceKeyPath[] = "SYSTEM\\CurrentControlSet\\Services\\QlAlloc";

// Class strings given when the keys are created (class names, not value types).
inline constexpr char kServiceKeyClass[] = "REG_SZ";
inline constexpr char kParametersKeyClass[] = "REG_SZ";
inline constexpr char kEventSourceKeyClass[] = "REG_EXPAND_SZ";

// Value names.
namespace val {
inline constexpr char kType[] = "Type";
inline constexpr char kStart[] = "Start";
inline constexpr char kErrorControl[] = "ErrorControl";
inline constexpr char kGroup[] = "Group";
inline constexpr char kBreakOnEntry[] = "BreakOnEntry";
inline constexpr char kDebugLevel[] = "DebugLevel";
inline constexpr char kDrive[] = "Drive";
inline constexpr char kPartition[] = "Partition";
inline constexpr char kPageSize[] = "PageSize";
inline constexpr char kMaxLRU[] = "MaxLRU";
inline constexpr char kMinLRU[] = "MinLRU";
inline constexpr char kLazyWrite[] = "LazyWrite";
inline constexpr char kPendingLimit[] = "PendingLimit";
inline constexpr char kSystemDevice[] = "SystemDevice";
inline constexpr char kDosDevice[] = "DosDevice";
inline constexpr char kTypesSupported[] = "TypesSupported";
inline constexpr char kEventMessageFile[] = "EventMessageFile";
inline constexpr char kList[] = "List";
inline constexpr char kNonPagedPoolSize[] = "NonPagedPoolSize";
}  // namespace val

inline constexpr char kDriverGroup[] = "Orvel";
inline constexpr char kEventMessageFileFormat[] = "%%SystemRoot%%\\System32\\Drivers\\%s.sys";

// Every reader offers 8 bytes for DosDevice's data, into a buffer with room for a NUL after.
inline constexpr std::uint32_t kDosDeviceDataBytes = 8;
using DosDeviceText = char[kDosDeviceDataBytes + 1];

// The wizard's in-memory image of the driver keys, one per run.
struct DriverSettings {
  const char* ServiceName = nullptr;
  char ServiceKeyPath[kKeyPathChars] = {};
  char ParametersKeyPath[kKeyPathChars] = {};
  char EventSourceKeyPath[kKeyPathChars] = {};
  HKey MemoryManagementKey = 0;
  HKey EventSourceKey = 0;
  HKey GroupOrderKey = 0;
  HKey ServiceKey = 0;
  HKey ParametersKey = 0;
  std::uint32_t Start = 4;
  std::uint32_t Drive = 0;
  std::uint32_t Partition = 1;
  std::uint32_t CacheBudget = 0;
  std::uint32_t MinLRU = 0;
  std::uint32_t MaxLRU = 0;
  std::uint32_t NonPagedPoolSize = 0;
  std::uint32_t LazyWrite = 0;
  std::uint32_t PageSize = 32768;
  std::uint32_t PendingLimit = 16;
  std::uint32_t BreakOnEntry = 0;
  std::uint32_t DebugLevel = 0;
  char DosDevice[64] = {};
  std::int32_t LastStatus = 0;
  char SystemRootDrive = 'C';
};

// Fills settings with the defaults (what a default-constructed DriverSettings holds).
void InitDriverSettings(DriverSettings& settings);

// Forms the three key paths from the service name into the 64-character buffers and records
// the name. Returns false (paths left empty) when a formed path would not fit.
bool FormDriverKeyPaths(DriverSettings& settings, const char* serviceName);

// Queries a value into a 32-bit variable with a 4-byte buffer; the type is not examined.
// True only on status 0; otherwise *value is unchanged (a value longer than 4 bytes fails).
// The status of the query goes to *status when given.
bool ReadDwordValue(Registry& registry, HKey key, std::string_view name, std::uint32_t* value,
                    Status* status = nullptr);

// Queries DosDevice with 8 bytes of room and puts a NUL right after the bytes returned, so
// the wizard's 2-byte "C:" reads as "C:". On failure text is all NUL. Never reads or writes
// past the 9-byte text.
bool ReadDosDeviceValue(Registry& registry, HKey key, DosDeviceText& text,
                        Status* status = nullptr);

// The wizard's read-back: opens the service and parameters keys (full access) by the paths
// in settings, reads DosDevice, then Start, LazyWrite, Drive, Partition and MaxLRU; closes
// both keys on every path. Returns true when every read succeeded.
bool LoadDriverSettings(Registry& registry, DriverSettings& settings);

}  // namespace ql
