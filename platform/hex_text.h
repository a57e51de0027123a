#pragma once
// Hexadecimal digits, read and written: S-records, addresses and bytes in
// messages, escapes in quoted texts, digests and temporary names.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fabrion {

enum class HexCase { kUpper, kLower };

// The value of one hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The value of 1 to 8 hexadecimal digits of either case; nothing for an empty
// text, a longer one or any other character.
inline std::optional<std::uint32_t> ParseHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

// Appends the low 4 * digits bits of value as exactly `digits` digits.
inline void AppendHex(std::string& text, std::uint64_t value, int digits,
                      HexCase letters = HexCase::kUpper) {
  const char* const alphabet = letters == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) text += alphabet[(value >> shift) & 0xF];
}

// The low 4 * digits bits of value as exactly `digits` digits: Hex(0x4E, 2) is "4E".
inline std::string Hex(std::uint64_t value, int digits, HexCase letters = HexCase::kUpper) {
  std::string text;
  AppendHex(text, value, digits, letters);
  return text;
}

// "0x" and value in upper-case digits, at least `digits` of them: "0x388000", "0x4E".
inline std::string PrefixedHex(std::uint64_t value, int digits) {
  int needed = 1;
  while (needed < 16 && (value >> (4 * needed)) != 0) ++needed;
  return "0x" + Hex(value, std::max(digits, needed));
}

}  // namespace fabrion
