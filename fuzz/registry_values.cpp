// The shared reads of the driver's values: DosDevice and the DWORD values, stored with any
// type and any length. Input: the first byte picks the value, the next four are its type
// (little-endian), the rest its bytes. The value is read directly and through the wizard's
// read-back of the whole parameter set, the other values being as the wizard writes them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/driver_settings.h"
#include "fuzz/fuzz_check.h"
#include "sim/sim_registry.h"

namespace {

constexpr char kService[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv";
constexpr char kParameters[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters";

struct Target {
  const char* key;
  const char* name;
};
constexpr Target kTargets[] = {
    {kParameters, ql::val::kDosDevice}, {kService, ql::val::kStart},
    {kParameters, ql::val::kLazyWrite}, {kParameters, ql::val::kDrive},
    {kParameters, ql::val::kPartition}, {kParameters, ql::val::kMaxLRU},
};

// The values as the wizard writes them, in the order of kTargets.
struct Written {
  std::uint32_t type;
  std::vector<std::uint8_t> bytes;
};
const Written kWritten[] = {
    {ql::reg::kSz, {'C', ':'}},      {ql::reg::kDword, {0, 0, 0, 0}},
    {ql::reg::kDword, {1, 0, 0, 0}}, {ql::reg::kDword, {0, 0, 0, 0}},
    {ql::reg::kDword, {1, 0, 0, 0}}, {ql::reg::kDword, {0, 8, 0, 0}},
};

void WriteAsTheWizardDoes(ql::sim::SimRegistry& registry) {
  for (std::size_t i = 0; i < std::size(kTargets); ++i) {
    registry.SetRaw(kTargets[i].key, kTargets[i].name, kWritten[i].type, kWritten[i].bytes);
  }
}

ql::HKey Open(ql::sim::SimRegistry& registry, const char* path) {
  ql::HKey root = 0;
  std::string_view rest;
  ql::sim::SimRegistry::SplitRoot(path, &root, &rest);
  ql::HKey key = 0;
  QL_FUZZ_CHECK(registry.OpenKey(root, rest, ql::reg::kRead, &key) == ql::err::kSuccess);
  return key;
}

void CheckDword(ql::sim::SimRegistry& registry, ql::HKey key, const char* name,
                const std::vector<std::uint8_t>& bytes) {
  constexpr std::uint32_t kUntouched = 0xA5A5A5A5u;
  std::uint32_t value = kUntouched;
  ql::Status status = 0;
  const bool ok = ql::ReadDwordValue(registry, key, name, &value, &status);
  if (bytes.size() <= 4) {
    QL_FUZZ_CHECK(ok && status == ql::err::kSuccess);
    std::uint32_t expected = 0;
    if (!bytes.empty()) std::memcpy(&expected, bytes.data(), bytes.size());
    QL_FUZZ_CHECK(value == expected);
  } else {
    QL_FUZZ_CHECK(!ok && status == ql::err::kMoreData);
    QL_FUZZ_CHECK(value == kUntouched);
  }
}

void CheckDosDevice(ql::sim::SimRegistry& registry, ql::HKey key,
                    const std::vector<std::uint8_t>& bytes) {
  ql::DosDeviceText text;
  std::memset(text, 0x5A, sizeof text);
  ql::Status status = 0;
  const bool ok = ql::ReadDosDeviceValue(registry, key, text, &status);
  if (bytes.size() <= ql::kDosDeviceDataBytes) {
    QL_FUZZ_CHECK(ok && status == ql::err::kSuccess);
    QL_FUZZ_CHECK(bytes.empty() || std::memcmp(text, bytes.data(), bytes.size()) == 0);
    for (std::size_t i = bytes.size(); i < sizeof text; ++i) QL_FUZZ_CHECK(text[i] == '\0');
  } else {
    QL_FUZZ_CHECK(!ok && status == ql::err::kMoreData);
    for (const char c : text) QL_FUZZ_CHECK(c == '\0');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const Target& target = kTargets[data[0] % std::size(kTargets)];
  std::uint32_t type = 0;
  std::memcpy(&type, data + 1, 4);
  const std::vector<std::uint8_t> bytes(data + 5, data + size);

  // One registry per process, the wizard's values written once; each run replaces one value
  // and puts the wizard's back at the end.
  static ql::sim::SimRegistry registry;
  static const bool written = (WriteAsTheWizardDoes(registry), true);
  (void)written;
  registry.ClearCalls();
  const Written* wizard = &kWritten[data[0] % std::size(kTargets)];
  registry.SetRaw(target.key, target.name, type, bytes);

  const ql::HKey key = Open(registry, target.key);
  if (target.name == ql::val::kDosDevice) {
    CheckDosDevice(registry, key, bytes);
  } else {
    CheckDword(registry, key, target.name, bytes);
  }
  registry.CloseKey(key);

  // The wizard's read-back: fails exactly when the value is too long for its buffer.
  ql::DriverSettings settings;
  QL_FUZZ_CHECK(ql::FormDriverKeyPaths(settings, ql::kDriverName));
  const bool loaded = ql::LoadDriverSettings(registry, settings);
  const std::size_t room = target.name == ql::val::kDosDevice ? ql::kDosDeviceDataBytes : 4;
  QL_FUZZ_CHECK(loaded == (bytes.size() <= room));
  QL_FUZZ_CHECK(std::memchr(settings.DosDevice, '\0', sizeof settings.DosDevice) != nullptr);
  QL_FUZZ_CHECK(registry.OpenKeyCount() == 0);
  registry.SetRaw(target.key, target.name, wizard->type, wizard->bytes);
  return 0;
}
