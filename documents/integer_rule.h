#pragma once
// The one rule by which every text of the program is read as a number.
#include <cstdint>
#include <optional>
#include <string_view>

namespace fabrion {

// Leading blanks, an optional sign, then decimal digits (signed 32-bit range)
// or hexadecimal digits after "$", "x", "X", "0x" or "0X" (at most 8
// significant digits, taken as a signed 32-bit pattern); nothing may follow.
// Anything else, the empty text included, is no integer.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// ParseInteger, or fallback when the text is no integer.
std::int32_t IntegerOr(std::string_view text, std::int32_t fallback);

}  // namespace fabrion
