#pragma once
// Dotted IPv4 addresses as the translate table's cells and the general
// parameters hold them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace fabrion {

// A dotted IPv4 address: split at the first three dots, each part 0 to 255 by
// the integer rule. False (octets untouched) for anything else.
bool ParseIpAddress(std::string_view text, std::array<std::uint8_t, 4>& octets);

// The octets in plain decimal joined with dots ("192.168.1.125").
std::string DottedIp(const std::array<std::uint8_t, 4>& octets);

}  // namespace fabrion
