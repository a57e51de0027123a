#include "documents/mapping_checks.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <tuple>

#include "documents/data_types.h"
#include "documents/gateway_codes.h"
#include "documents/integer_rule.h"
#include "documents/ip_address.h"

namespace fabrion {
namespace {

// The most registers one Modbus read (function 03 or 04) carries.
constexpr int kMaxRegistersPerRead = 125;

bool ReadOctets(const std::array<std::string, 4>& texts, std::array<std::uint8_t, 4>& octets) {
  for (std::size_t i = 0; i < 4; ++i) {
    const std::optional<std::int32_t> value = ParseInteger(texts[i]);
    if (!value || *value < 0 || *value > 255) return false;
    octets[i] = static_cast<std::uint8_t>(*value);
  }
  return true;
}

std::array<std::uint8_t, 4> Masked(const std::array<std::uint8_t, 4>& ip,
                                   const std::array<std::uint8_t, 4>& mask) {
  std::array<std::uint8_t, 4> network{};
  for (std::size_t i = 0; i < 4; ++i) network[i] = static_cast<std::uint8_t>(ip[i] & mask[i]);
  return network;
}

std::string Row(int row) { return "Row " + std::to_string(row); }

// "address 7" or "addresses 7 to 9".
std::string Addresses(int first, int last) {
  return first == last ? "address " + std::to_string(first)
                       : "addresses " + std::to_string(first) + " to " + std::to_string(last);
}

// The RTU block of one row: addresses first to last (clipped at 65535).
struct Block {
  int first = 0;
  int last = 0;
  int row = 0;
};

// The block of the earliest row within a run of blocks, in O(1) a query.
class EarliestInRun {
 public:
  explicit EarliestInRun(const std::vector<Block>& blocks) : blocks_(blocks) {
    levels_.emplace_back(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) levels_[0][i] = i;
    for (std::size_t width = 2; width <= blocks.size(); width *= 2) {
      const std::vector<std::size_t>& below = levels_.back();
      std::vector<std::size_t> level(blocks.size() - width + 1);
      for (std::size_t i = 0; i < level.size(); ++i)
        level[i] = Earlier(below[i], below[i + width / 2]);
      levels_.push_back(std::move(level));
    }
  }

  // The index of the earliest row among blocks[from..to]; nothing when empty.
  std::optional<std::size_t> Of(std::size_t from, std::size_t to) const {
    if (from > to || to >= blocks_.size()) return std::nullopt;
    std::size_t level = 0;
    while ((std::size_t{2} << level) <= to - from + 1) ++level;
    return Earlier(levels_[level][from], levels_[level][to + 1 - (std::size_t{1} << level)]);
  }

 private:
  std::size_t Earlier(std::size_t a, std::size_t b) const {
    return blocks_[b].row < blocks_[a].row ? b : a;
  }
  const std::vector<Block>& blocks_;
  std::vector<std::vector<std::size_t>> levels_;
};

// The overlaps among the blocks of one data type: each block that shares
// addresses with an earlier row is reported once, against the earliest such
// row. A sweep by first address: the blocks that start before a block and
// still run at its start wait in a heap ordered by row; those that start
// inside it form a run of the sorted blocks, searched by RangeMinimum.
void AddOverlaps(std::vector<Block> blocks, std::string_view type,
                 std::vector<MappingWarning>& warnings) {
  std::sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) {
    return std::tie(a.first, a.row) < std::tie(b.first, b.row);
  });
  const EarliestInRun earliestIn(blocks);
  using Waiting = std::pair<int, std::size_t>;  // row, index
  std::priority_queue<Waiting, std::vector<Waiting>, std::greater<>> started;
  std::size_t queued = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const Block& block = blocks[i];
    const auto startingHere =
        std::lower_bound(blocks.begin(), blocks.end(), block.first,
                         [](const Block& b, int first) { return b.first < first; });
    const std::size_t from = static_cast<std::size_t>(startingHere - blocks.begin());
    for (; queued < from; ++queued) started.push({blocks[queued].row, queued});
    while (!started.empty() && blocks[started.top().second].last < block.first) started.pop();
    const auto startingAfter =
        std::upper_bound(blocks.begin(), blocks.end(), block.last,
                         [](int last, const Block& b) { return last < b.first; });
    const std::size_t to = static_cast<std::size_t>(startingAfter - blocks.begin()) - 1;

    std::optional<std::size_t> other;
    auto consider = [&](std::optional<std::size_t> candidate) {
      if (candidate && (!other || blocks[*candidate].row < blocks[*other].row)) other = candidate;
    };
    if (!started.empty()) consider(started.top().second);
    if (i > from) consider(earliestIn.Of(from, i - 1));
    consider(earliestIn.Of(i + 1, to));
    if (!other || blocks[*other].row >= block.row) continue;
    const int earliest = blocks[*other].row;
    const int first = std::max(block.first, blocks[*other].first);
    const int last = std::min(block.last, blocks[*other].last);
    warnings.push_back({MappingWarningKind::kRtuOverlap, block.row, earliest,
                        Row(block.row) + " maps " + std::string(type) + " RTU " +
                            Addresses(first, last) + ", which row " + std::to_string(earliest) +
                            " already maps."});
  }
}

}  // namespace

std::optional<GatewayNetwork> GatewayNetworkOf(const GeneralParameters& parameters) {
  GatewayNetwork network;
  if (!ReadOctets(parameters.ip, network.ip) || !ReadOctets(parameters.subnet, network.subnet) ||
      !ReadOctets(parameters.gateway, network.gateway))
    return std::nullopt;
  return network;
}

std::vector<MappingWarning> CheckMapping(const std::vector<NumberedRow>& rows,
                                         const std::optional<GatewayNetwork>& network) {
  std::vector<MappingWarning> warnings;
  std::array<std::vector<Block>, 4> blocks;
  const bool routed = network && network->gateway != std::array<std::uint8_t, 4>{};
  for (const NumberedRow& numbered : rows) {
    const TMyRec& r = numbered.record;
    const std::string row = Row(numbered.row);
    auto warn = [&](MappingWarningKind kind, std::string text) {
      warnings.push_back({kind, numbered.row, 0, std::move(text)});
    };
    const int points = r.PointCount;
    const int rtuLast = r.RtuAddress + points - 1;
    const int tcpLast = r.TcpAddress + points - 1;
    if (points == 0) warn(MappingWarningKind::kNoPoints, row + " maps no points (N\xC2\xB0 Point is 0).");
    if (rtuLast > kLastAddress)
      warn(MappingWarningKind::kRtuRangePastEnd,
           row + " maps RTU " + Addresses(r.RtuAddress, rtuLast) + ", past the last address 65535.");
    if (tcpLast > kLastAddress)
      warn(MappingWarningKind::kTcpRangePastEnd,
           row + " maps TCP " + Addresses(r.TcpAddress, tcpLast) +
               " of its device, past the last address 65535.");
    if (network && r.DeviceIp == network->ip) {
      warn(MappingWarningKind::kDeviceIsGateway,
           row + "'s device " + DottedIp(r.DeviceIp) + " is the gateway's own address.");
    } else if (network && !routed &&
               Masked(r.DeviceIp, network->subnet) != Masked(network->ip, network->subnet)) {
      warn(MappingWarningKind::kDeviceOffNetwork,
           row + "'s device " + DottedIp(r.DeviceIp) + " is outside the gateway's network " +
               DottedIp(Masked(network->ip, network->subnet)) + " (subnet mask " +
               DottedIp(network->subnet) + ") and no default gateway is set.");
    }
    if (points > kMaxRegistersPerRead && (r.DataType == 3 || r.DataType == 4))
      warn(MappingWarningKind::kTooManyRegisters,
           row + " asks for " + std::to_string(points) +
               " registers in one read; Modbus reads at most 125 registers at a time.");
    if (points > 0 && r.DataType >= 1 && r.DataType <= 4)
      blocks[r.DataType - 1u].push_back({r.RtuAddress, std::min(rtuLast, kLastAddress), numbered.row});
  }
  for (int type = 1; type <= 4; ++type)
    AddOverlaps(std::move(blocks[static_cast<std::size_t>(type - 1)]), *DataTypeName(type), warnings);
  std::stable_sort(warnings.begin(), warnings.end(), [](const MappingWarning& a, const MappingWarning& b) {
    return std::tie(a.row, a.kind) < std::tie(b.row, b.kind);
  });
  return warnings;
}

}  // namespace fabrion
