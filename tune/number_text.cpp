#include "tune/number_text.h"

#include "tune/tune_error.h"

namespace ql::tune {

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return std::nullopt;
  // The magnitude is capped as soon as it leaves the 32-bit range, so a text of any length
  // cannot overflow the accumulator.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kLimit) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::int32_t TextToInt(std::string_view text) {
  if (const auto value = ParseInteger(text)) return *value;
  std::string message = "'";
  message.append(text);
  message.append("' is not a valid integer value");
  throw TuneError(message);
}

std::string IntToText(std::int32_t value) { return std::to_string(value); }

std::int32_t WrapMultiply(std::int32_t a, std::int32_t b) {
  // Unsigned arithmetic wraps by definition; the conversion back is modular in C++20.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

std::int32_t WrapSubtract(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

std::int16_t LowSigned16(std::int32_t value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace ql::tune
