#include "documents/ip_address.h"

#include "documents/integer_rule.h"

namespace fabrion {

bool ParseIpAddress(std::string_view text, std::array<std::uint8_t, 4>& octets) {
  if (text.empty()) return false;
  std::array<std::string_view, 4> parts;
  std::string_view rest = text;
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = rest.find('.');
    if (dot == std::string_view::npos) return false;  // a part would be empty
    parts[static_cast<std::size_t>(i)] = rest.substr(0, dot);
    rest.remove_prefix(dot + 1);
  }
  parts[3] = rest;
  std::array<std::uint8_t, 4> values{};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::int32_t value = IntegerOr(parts[i], -1);
    if (value < 0 || value > 255) return false;
    values[i] = static_cast<std::uint8_t>(value);
  }
  octets = values;
  return true;
}

std::optional<std::array<std::string, 4>> PastedAddressParts(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
  std::array<std::uint8_t, 4> octets{};
  if (!ParseIpAddress(text, octets)) return std::nullopt;
  std::array<std::string, 4> parts;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::size_t dot = text.find('.');
    parts[i] = std::string(text.substr(0, dot));
    text.remove_prefix(dot + 1);
  }
  parts[3] = std::string(text);
  return parts;
}

std::string DottedIp(const std::array<std::uint8_t, 4>& octets) {
  return std::to_string(octets[0]) + '.' + std::to_string(octets[1]) + '.' +
         std::to_string(octets[2]) + '.' + std::to_string(octets[3]);
}

}  // namespace fabrion
