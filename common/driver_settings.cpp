#include "common/driver_settings.h"

#include <cstdio>
#include <cstring>

namespace ql {

void InitDriverSettings(DriverSettings& settings) { settings = DriverSettings{}; }

namespace {

// Forms one path into a 64-character buffer; refuses (and leaves the buffer empty) rather than
// cut a path short, since a shortened key path would name another key.
bool FormPath(char (&out)[kKeyPathChars], const char* format, const char* name) {
  char formed[kKeyPathChars];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int n = std::snprintf(formed, sizeof formed, format, name);
#pragma GCC diagnostic pop
  if (n < 0 || static_cast<std::size_t>(n) >= sizeof formed) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, formed, static_cast<std::size_t>(n) + 1);
  return true;
}

}  // namespace

bool FormDriverKeyPaths(DriverSettings& settings, const char* serviceName) {
  settings.ServiceName = serviceName;
  const bool ok = FormPath(settings.ServiceKeyPath, kServiceKeyFormat, serviceName) &&
                  FormPath(settings.ParametersKeyPath, kParametersKeyFormat, serviceName) &&
                  FormPath(settings.EventSourceKeyPath, kEventSourceKeyFormat, serviceName);
  if (!ok) {
    settings.ServiceKeyPath[0] = settings.ParametersKeyPath[0] = settings.EventSourceKeyPath[0] =
        '\0';
  }
  return ok;
}

bool ReadDwordValue(Registry& registry, HKey key, std::string_view name, std::uint32_t* value,
                    Status* status) {
  // Read into a scratch buffer so that a failed query never touches *value.
  std::uint8_t data[4] = {};
  std::uint32_t size = sizeof data;
  const Status s = registry.QueryValue(key, name, nullptr, data, &size);
  if (status != nullptr) *status = s;
  if (s != err::kSuccess) return false;
  std::uint32_t number = 0;
  // Shorter data (a 1- to 3-byte value) fills the low bytes, as the platform's query into a
  // zeroed 4-byte variable would.
  std::memcpy(&number, data, size < sizeof data ? size : sizeof data);
  *value = number;
  return true;
}

bool ReadDosDeviceValue(Registry& registry, HKey key, DosDeviceText& text, Status* status) {
  std::memset(text, 0, sizeof text);
  std::uint8_t data[kDosDeviceDataBytes] = {};
  std::uint32_t size = kDosDeviceDataBytes;
  const Status s = registry.QueryValue(key, val::kDosDevice, nullptr, data, &size);
  if (status != nullptr) *status = s;
  if (s != err::kSuccess) return false;
  // The returned count can never exceed the room offered; guard anyway so a misbehaving
  // registry cannot make the NUL land outside the text.
  if (size > kDosDeviceDataBytes) size = kDosDeviceDataBytes;
  std::memcpy(text, data, size);
  text[size] = '\0';
  return true;
}

bool LoadDriverSettings(Registry& registry, DriverSettings& settings) {
  ScopedKey service(registry);
  Status s = registry.OpenKey(kHkeyLocalMachine, settings.ServiceKeyPath, reg::kAllAccess,
                              service.Receive());
  settings.LastStatus = static_cast<std::int32_t>(s);
  if (s != err::kSuccess) return false;
  ScopedKey parameters(registry);
  s = registry.OpenKey(kHkeyLocalMachine, settings.ParametersKeyPath, reg::kAllAccess,
                       parameters.Receive());
  settings.LastStatus = static_cast<std::int32_t>(s);
  if (s != err::kSuccess) return false;

  DosDeviceText dos;
  const bool dosOk = ReadDosDeviceValue(registry, parameters.Get(), dos, &s);
  settings.LastStatus = static_cast<std::int32_t>(s);
  if (!dosOk) return false;
  std::memset(settings.DosDevice, 0, sizeof settings.DosDevice);
  std::memcpy(settings.DosDevice, dos, sizeof dos);

  // All five are read even when one fails; each success replaces its default.
  bool all = true;
  auto read = [&](HKey key, const char* name, std::uint32_t* field) {
    const bool ok = ReadDwordValue(registry, key, name, field, &s);
    settings.LastStatus = static_cast<std::int32_t>(s);
    all = all && ok;
  };
  read(service.Get(), val::kStart, &settings.Start);
  read(parameters.Get(), val::kLazyWrite, &settings.LazyWrite);
  read(parameters.Get(), val::kDrive, &settings.Drive);
  read(parameters.Get(), val::kPartition, &settings.Partition);
  read(parameters.Get(), val::kMaxLRU, &settings.MaxLRU);
  return all;
}

}  // namespace ql
