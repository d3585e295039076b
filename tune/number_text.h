// Numbers as the tuning window holds them: decimal texts in its fields and figures, 16-bit
// positions in its fine-tuners, and 32-bit arithmetic that wraps the way the driver's values
// were always computed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ql::tune {

// Strict conversion: an optional sign followed by at least one decimal digit, nothing else (no
// blanks, no other base), and the value within signed 32 bits. Empty when the text does not
// convert. Any length and any bytes are safe.
[[nodiscard]] std::optional<std::int32_t> ParseInteger(std::string_view text);

// As ParseInteger, but a text that does not convert raises TuneError with the message
// "'<text>' is not a valid integer value".
[[nodiscard]] std::int32_t TextToInt(std::string_view text);

// Plain decimal text, a leading "-" when negative.
[[nodiscard]] std::string IntToText(std::int32_t value);

// Signed 32-bit product and difference that wrap on overflow (32768 * 65536 gives
// -2147483648), computed without undefined behaviour.
[[nodiscard]] std::int32_t WrapMultiply(std::int32_t a, std::int32_t b);
[[nodiscard]] std::int32_t WrapSubtract(std::int32_t a, std::int32_t b);

// The low 16 bits of a number read as signed (40000 gives -25536, 32768 gives -32768).
[[nodiscard]] std::int16_t LowSigned16(std::int32_t value);

}  // namespace ql::tune
