#include "config/install.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config/texts.h"

namespace ql::config {
namespace {

constexpr std::uint32_t kErrorBox = mb::kOk | mb::kIconHand;
constexpr std::uint32_t kWindowsDirectoryChars = 260;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

void Report(const Platform& platform, const char* text) {
  platform.ui.MessageBox(kNoWindow, text, kNotConfiguredCaption, kErrorBox);
}

void Remember(DriverSettings& settings, Status status) {
  settings.LastStatus = static_cast<std::int32_t>(status);
}

// Sets one value and records its status; true on success.
bool Set(const Platform& platform, DriverSettings& settings, HKey key, std::string_view name,
         std::uint32_t type, const void* data, std::uint32_t size) {
  const Status status =
      platform.registry.SetValue(key, name, type, static_cast<const std::uint8_t*>(data), size);
  Remember(settings, status);
  return status == err::kSuccess;
}

bool SetDword(const Platform& platform, DriverSettings& settings, HKey key, std::string_view name,
              std::uint32_t value) {
  return Set(platform, settings, key, name, reg::kDword, &value, sizeof value);
}

// Steps 5 to 8 of the preparation: make sure the driver's group stands in the group order.
bool EnsureGroupOrder(const Platform& platform, DriverSettings& settings, ErrorStream& errors) {
  ScopedKey key(platform.registry);
  Status status = platform.registry.OpenKey(kHkeyLocalMachine, kGroupOrderKeyPath, reg::kAllAccess,
                                            key.Receive());
  Remember(settings, status);
  if (status != err::kSuccess) {
    errors.Write(kGroupOrderOpenFailed);
    return false;
  }

  std::uint8_t buffer[kGroupOrderBytes] = {};
  std::uint32_t size = kGroupOrderBytes;
  status = platform.registry.QueryValue(key.Get(), val::kList, nullptr, buffer, &size);
  Remember(settings, status);
  if (status != err::kSuccess) {
    errors.Write(kGroupOrderQueryFailed);
    return false;
  }
  // Only the bytes the query reported are list data, whatever the registry layer claims.
  if (size > kGroupOrderBytes) size = kGroupOrderBytes;

  const GroupOrderRebuild rebuilt =
      RebuildGroupOrder(std::span<const std::uint8_t>(buffer, size), kDriverGroup);
  if (rebuilt.present) return true;

  status = platform.registry.SetValue(key.Get(), val::kList, reg::kMultiSz, rebuilt.list.data(),
                                      rebuilt.writeLength);
  Remember(settings, status);
  key.Close();
  if (status != err::kSuccess) {
    errors.Write(kGroupOrderWriteFailed);
    return false;
  }
  return true;
}

}  // namespace

GroupOrderRebuild RebuildGroupOrder(std::span<const std::uint8_t> old, std::string_view group) {
  GroupOrderRebuild result;
  const auto append = [&result](std::string_view text) {
    result.list.insert(result.list.end(), text.begin(), text.end());
    result.list.push_back(0);
  };

  std::size_t pos = 0;
  while (pos < old.size() && old[pos] != 0) {
    // An entry ends at its NUL or, in a list that is not terminated, at the end of the data.
    std::size_t end = pos;
    while (end < old.size() && old[end] != 0) ++end;
    const std::string_view entry(reinterpret_cast<const char*>(old.data()) + pos, end - pos);
    if (EqualsIgnoringCase(entry, group)) {
      result.present = true;
      break;
    }
    if (!result.inserted && EqualsIgnoringCase(entry, kFilterGroup)) {
      append(group);
      result.inserted = true;
    }
    append(entry);
    pos = end + 1;
  }
  result.list.push_back(0);

  std::size_t length = old.size();
  if (result.inserted) length += group.size() + 1;
  result.writeLength = static_cast<std::uint32_t>(length);
  if (result.list.size() < length) result.list.resize(length, 0);
  return result;
}

bool PrepareRegistry(const Platform& platform, DriverSettings& settings, const char* serviceName,
                     ErrorStream& errors) {
  // 1-2: the Windows directory's drive letter and the key paths. A result that does not fit
  // the buffer leaves the buffer unwritten, so it counts as a failure as well.
  char windowsDirectory[kWindowsDirectoryChars] = {};
  const std::uint32_t length =
      platform.disks.GetWindowsDirectory(windowsDirectory, kWindowsDirectoryChars);
  if (length == 0 || length >= kWindowsDirectoryChars) {
    Report(platform, kNoSystemRoot);
    return false;
  }
  settings.SystemRootDrive = windowsDirectory[0];
  if (!FormDriverKeyPaths(settings, serviceName)) {
    errors.Write(kDriverNameTooLong);
    return false;
  }

  // 3-4: the memory-management key must open with full access and its pool size must read.
  {
    ScopedKey key(platform.registry);
    Status status = platform.registry.OpenKey(kHkeyLocalMachine, kMemoryManagementKeyPath,
                                              reg::kAllAccess, key.Receive());
    Remember(settings, status);
    if (status != err::kSuccess) {
      Report(platform, kNoSessionManagerKey);
      return false;
    }
    const bool read = ReadDwordValue(platform.registry, key.Get(), val::kNonPagedPoolSize,
                                     &settings.NonPagedPoolSize, &status);
    Remember(settings, status);
    key.Close();
    if (!read) {
      Report(platform, kNoSessionManagerQuery);
      return false;
    }
  }

  // 5-8: the group order.
  if (!EnsureGroupOrder(platform, settings, errors)) return false;

  // 9-12: the event source.
  ScopedKey key(platform.registry);
  Status status = platform.registry.CreateKey(kHkeyLocalMachine, settings.EventSourceKeyPath,
                                              kEventSourceKeyClass, reg::kOptionNonVolatile,
                                              reg::kAllAccess, key.Receive(), nullptr);
  Remember(settings, status);
  if (status != err::kSuccess) {
    Report(platform, kEventSourceKeyFailed);
    return false;
  }
  if (!SetDword(platform, settings, key.Get(), val::kTypesSupported, kTypesSupported)) {
    key.Close();
    Report(platform, kEventSourceValueFailed);
    return false;
  }
  char messageFile[2 * kKeyPathChars] = {};
  std::snprintf(messageFile, sizeof messageFile, kEventMessageFileFormat, settings.ServiceName);
  if (!Set(platform, settings, key.Get(), val::kEventMessageFile, reg::kExpandSz, messageFile,
           static_cast<std::uint32_t>(std::strlen(messageFile) + 1))) {
    key.Close();
    Report(platform, kEventSourceValueFailed);
    return false;
  }
  key.Close();
  return true;
}

bool WriteDriverSettings(const Platform& platform, DriverSettings& settings) {
  // 1-6: the service key.
  {
    ScopedKey key(platform.registry);
    const Status status = platform.registry.CreateKey(kHkeyLocalMachine, settings.ServiceKeyPath,
                                                      kServiceKeyClass, reg::kOptionNonVolatile,
                                                      reg::kAllAccess, key.Receive(), nullptr);
    Remember(settings, status);
    if (status != err::kSuccess) {
      Report(platform, kServiceKeyFailed);
      return false;
    }
    const HKey k = key.Get();
    const char* failure = nullptr;
    if (!SetDword(platform, settings, k, val::kErrorControl, 1) ||
        !SetDword(platform, settings, k, val::kStart, settings.Start)) {
      failure = kValueFailed;
    } else if (!SetDword(platform, settings, k, val::kType, 1)) {
      failure = kTypeValueFailed;
    } else if (!Set(platform, settings, k, val::kGroup, reg::kSz, kDriverGroup,
                    sizeof kDriverGroup)) {
      failure = kValueFailed;
    }
    key.Close();
    if (failure != nullptr) {
      Report(platform, failure);
      return false;
    }
  }

  // 7-19: the parameters key.
  ScopedKey key(platform.registry);
  const Status status = platform.registry.CreateKey(kHkeyLocalMachine, settings.ParametersKeyPath,
                                                    kParametersKeyClass, reg::kOptionNonVolatile,
                                                    reg::kAllAccess, key.Receive(), nullptr);
  Remember(settings, status);
  if (status != err::kSuccess) {
    Report(platform, kParametersKeyFailed);
    return false;
  }
  const HKey k = key.Get();
  const auto dword = [&](std::string_view name, std::uint32_t value) {
    return SetDword(platform, settings, k, name, value);
  };
  const bool written =
      dword(val::kBreakOnEntry, settings.BreakOnEntry) &&
      dword(val::kDebugLevel, settings.DebugLevel) && dword(val::kDrive, settings.Drive) &&
      dword(val::kPartition, settings.Partition) && dword(val::kPageSize, settings.PageSize) &&
      dword(val::kMaxLRU, settings.MaxLRU) &&
      dword(val::kMinLRU, settings.MinLRU = DeriveMinLru(settings.MaxLRU)) &&
      dword(val::kLazyWrite, settings.LazyWrite) &&
      dword(val::kPendingLimit, settings.PendingLimit) &&
      dword(val::kSystemDevice, DeriveSystemDevice(settings.DosDevice, settings.SystemRootDrive)) &&
      // The drive letter and colon only, without a NUL: readers add their own.
      Set(platform, settings, k, val::kDosDevice, reg::kSz, settings.DosDevice, 2);
  key.Close();
  if (!written) {
    Report(platform, kValueFailed);
    return false;
  }
  return true;
}

bool RegisterAllocatorService(ServiceControl& services, const char* serviceName,
                              const char* programPath, Status* error) {
  Status status = err::kSuccess;
  const ScHandle manager = services.OpenManager(nullptr, nullptr, kScManagerCreateService, &status);
  if (manager == 0) {
    if (error != nullptr) *error = status;
    return false;
  }

  CreateServiceParams params;
  params.serviceName = serviceName;
  params.displayName = serviceName;
  params.desiredAccess = svc::kServiceAllAccess;
  params.serviceType = svc::kWin32OwnProcess | svc::kInteractiveProcess;
  params.startType = svc::kAutoStart;
  params.errorControl = svc::kErrorNormal;
  params.binaryPathName = programPath;
  params.loadOrderGroup = nullptr;
  params.dependencies = nullptr;
  params.serviceStartName = nullptr;  // LocalSystem
  params.password = nullptr;
  const ScHandle service = services.CreateService(manager, params, &status);
  if (service != 0) services.CloseServiceHandle(service);
  services.CloseServiceHandle(manager);
  if (service == 0 && error != nullptr) *error = status;
  return service != 0;
}

}  // namespace ql::config
