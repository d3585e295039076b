// The plain reading of a whole number that the number-text targets check the programs
// against: an optional sign, then one or more decimal digits and nothing else, within signed
// 32 bits (leading zeros do not count towards the size of the number).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ql::fuzz {

inline std::optional<std::int32_t> SignedDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  while (text.size() > 1 && text[0] == '0') text.remove_prefix(1);
  if (text.size() > 10) return std::nullopt;
  const long long magnitude = std::stoll(std::string(text));
  const long long value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace ql::fuzz
