#pragma once
// Warnings about a translate table that saves but maps badly: two rows of
// one data type sharing RTU addresses, ranges that run past 65535, blocks of
// no points, register blocks too long for one read, devices the gateway
// cannot reach. They never block a save.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "documents/pargen_document.h"
#include "documents/var_document.h"

namespace fabrion {

// The gateway's own network, from pargen.xml.
struct GatewayNetwork {
  std::array<std::uint8_t, 4> ip{};
  std::array<std::uint8_t, 4> subnet{};
  std::array<std::uint8_t, 4> gateway{};  // all zero: no default gateway
};

// The network of the general parameters; nothing when an octet does not read
// as 0 to 255 (the network checks are then left out).
std::optional<GatewayNetwork> GatewayNetworkOf(const GeneralParameters& parameters);

// A table row with its number (1 to 1400, as the grid and the document count).
struct NumberedRow {
  int row = 0;
  TMyRec record;
};

enum class MappingWarningKind {
  kRtuOverlap,          // same data type, RTU ranges share addresses
  kRtuRangePastEnd,     // RTU address + points - 1 > 65535
  kTcpRangePastEnd,     // TCP address + points - 1 > 65535
  kNoPoints,            // N° Point 0
  kDeviceIsGateway,     // the device's address is the gateway's own
  kDeviceOffNetwork,    // outside the gateway's network and no default gateway
  kTooManyRegisters,    // a register row of more points than one Modbus read carries
  kBelowTable,          // a row with text below the first row without Address RTU: not saved
};

struct MappingWarning {
  MappingWarningKind kind{};
  int row = 0;         // the row it is shown on
  int otherRow = 0;    // the earlier row of an overlap; 0 otherwise
  std::string text;    // the whole sentence a user reads
};

// Every warning of the rows, by row then kind. An overlap is reported once
// per row, against the earliest row it overlaps, so a table yields at most a
// few warnings per row whatever it holds.
std::vector<MappingWarning> CheckMapping(const std::vector<NumberedRow>& rows,
                                         const std::optional<GatewayNetwork>& network);

}  // namespace fabrion
