// The tuning engine's strict number conversion, against a plain reading of its rule: an
// optional sign, then one or more decimal digits and nothing else, within signed 32 bits.
// Input: the text, any bytes and any length.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/decimal_model.h"
#include "fuzz/fuzz_check.h"
#include "tune/number_text.h"
#include "tune/tune_error.h"

namespace {

std::optional<std::int32_t> Expected(std::string_view text) {
  return ql::fuzz::SignedDecimal(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> parsed = ql::tune::ParseInteger(text);
  QL_FUZZ_CHECK(parsed == Expected(text));

  bool raised = false;
  try {
    const std::int32_t value = ql::tune::TextToInt(text);
    QL_FUZZ_CHECK(parsed && value == *parsed);
  } catch (const ql::tune::TuneError& error) {
    raised = true;
    // The message is a C string: a NUL in the text ends it there.
    const std::string full = "'" + std::string(text) + "' is not a valid integer value";
    QL_FUZZ_CHECK(std::string(error.what()) == full.substr(0, full.find('\0')));
  }
  QL_FUZZ_CHECK(raised == !parsed.has_value());

  if (parsed) {
    // Written back, the number reads as itself.
    QL_FUZZ_CHECK(ql::tune::ParseInteger(ql::tune::IntToText(*parsed)) == parsed);
  }
  return 0;
}
