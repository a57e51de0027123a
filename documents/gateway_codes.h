#pragma once
// The codes the gateway reads from its configuration: the RTU side's baud
// rates and parities, the operation modes and the address ranges. pargen.xml,
// the configuration image, the dialogs and the checks all take them from here.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace fabrion {

// Baud rates in code order: BAUD in pargen.xml, the image's byte and the
// dialog's list position are all the index into this table.
inline constexpr std::array<int, 8> kBaudRates = {1200,  2400,  4800,  9600,
                                                  19200, 38400, 57600, 115200};
// BAUD "-1": no rate selected; the image holds its low byte, 255.
inline constexpr int kNoBaudCode = -1;

// True when code names a rate of kBaudRates.
constexpr bool IsBaudCode(int code) {
  return code >= 0 && static_cast<std::size_t>(code) < kBaudRates.size();
}

// One parity: its caption in the dialog's list (whose position is the index
// into kParities), its code in pargen.xml and the image, and its name in the
// read-back reports.
struct Parity {
  std::string_view caption;
  int code;
  std::string_view name;
};
inline constexpr std::array<Parity, 3> kParities = {
    {{"NONE", 0, "None"}, {"ODD", 3, "Odd"}, {"EVEN", 2, "Even"}}};

// The code written for a dialog position; a position outside the list (none
// selected) is written as no parity.
constexpr int ParityCodeOfPosition(int position) {
  return position >= 0 && static_cast<std::size_t>(position) < kParities.size()
             ? kParities[static_cast<std::size_t>(position)].code
             : kParities[0].code;
}

// The dialog position of a parity code; nothing for a code the gateway does
// not know.
constexpr std::optional<int> ParityPositionOfCode(int code) {
  for (std::size_t i = 0; i < kParities.size(); ++i)
    if (kParities[i].code == code) return static_cast<int>(i);
  return std::nullopt;
}

// MODE in pargen.xml and the image.
inline constexpr int kRoutingModeCode = 0;
inline constexpr int kNatModeCode = 1;
// The operation modes by code, as the dialog's radio buttons name them.
inline constexpr std::array<std::string_view, 2> kModeNames = {"Routing Mode", "NAT Mode"};

// The gateway's own address on the RTU bus (ADDRESS_RTU).
inline constexpr int kMinRtuAddress = 1;
inline constexpr int kMaxRtuAddress = 255;

// The last Modbus register address, on the RTU and the TCP side alike.
inline constexpr int kLastAddress = 65535;

}  // namespace fabrion
