#pragma once
// Dotted IPv4 addresses as the translate table's cells and the general
// parameters hold them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fabrion {

// A dotted IPv4 address: split at the first three dots, each part 0 to 255 by
// the integer rule. False (octets untouched) for anything else.
bool ParseIpAddress(std::string_view text, std::array<std::uint8_t, 4>& octets);

// A dotted address pasted into one octet field of an address row: the text
// with blanks (spaces, tabs, line ends) around it removed, when that is a
// dotted IPv4 address, split into its four parts as they stand; nothing else.
std::optional<std::array<std::string, 4>> PastedAddressParts(std::string_view text);

// The octets in plain decimal joined with dots ("192.168.1.125").
std::string DottedIp(const std::array<std::uint8_t, 4>& octets);

}  // namespace fabrion
