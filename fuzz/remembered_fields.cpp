// The tuning engine's remembered fields (HKEY_CURRENT_USER\ZevQuillonTune), as another
// version or another tool may have left them. Input: one byte per value giving its type
// (0xFF: the value is missing; 0xFE in the first byte: the whole key is missing), one byte
// that splits the rest between the two values, then their bytes.
#include "tune/remembered_fields.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "sim/sim_registry.h"

namespace {

constexpr char kKey[] = "HKCU\\ZevQuillonTune";
constexpr char kBefore[] = "field text before";

// What a field holds after the read, by the rule the engine documents.
std::string Expected(std::uint8_t type, const std::vector<std::uint8_t>& bytes,
                     const char* fallback) {
  if (type == 0xFF) return fallback;
  if (type != ql::reg::kSz && type != ql::reg::kExpandSz) return kBefore;
  std::size_t length = 0;
  while (length < bytes.size() && bytes[length] != 0) ++length;
  return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint8_t maxType = data[0];
  const std::uint8_t pageType = data[1];
  const std::size_t rest = size - 3;
  const std::size_t split = rest == 0 ? 0 : data[2] * rest / 255;
  const std::vector<std::uint8_t> maxBytes(data + 3, data + 3 + split);
  const std::vector<std::uint8_t> pageBytes(data + 3 + split, data + size);

  // One registry per process; each run starts without the key.
  static ql::sim::SimRegistry registry;
  registry.ClearCalls();
  registry.DeleteKey(kKey);
  if (maxType != 0xFE) {
    registry.CreateKeyPath(kKey);
    if (maxType != 0xFF) registry.SetRaw(kKey, ql::tune::kRememberedMaxLRU, maxType, maxBytes);
    if (pageType != 0xFF) registry.SetRaw(kKey, ql::tune::kRememberedPageSize, pageType, pageBytes);
  }

  std::string maxField = kBefore;
  std::string pageField = kBefore;
  ql::tune::ReadRememberedFields(registry, maxField, pageField);
  if (maxType == 0xFE) {
    QL_FUZZ_CHECK(maxField == ql::tune::kDefaultRememberedMaxLRU);
    QL_FUZZ_CHECK(pageField == ql::tune::kDefaultRememberedPageSize);
  } else {
    QL_FUZZ_CHECK(maxField == Expected(maxType, maxBytes, ql::tune::kDefaultRememberedMaxLRU));
    QL_FUZZ_CHECK(pageField == Expected(pageType, pageBytes, ql::tune::kDefaultRememberedPageSize));
  }
  QL_FUZZ_CHECK(registry.OpenKeyCount() == 0);

  // Saved and read again, both fields come back as they were.
  ql::tune::WriteRememberedFields(registry, maxField, pageField);
  std::string maxAgain;
  std::string pageAgain;
  ql::tune::ReadRememberedFields(registry, maxAgain, pageAgain);
  QL_FUZZ_CHECK(maxAgain == maxField);
  QL_FUZZ_CHECK(pageAgain == pageField);
  QL_FUZZ_CHECK(registry.OpenKeyCount() == 0);
  return 0;
}
