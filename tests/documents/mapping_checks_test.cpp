#include "documents/mapping_checks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fakes/translate_rows.h"

namespace fabrion {
namespace {

using Kind = MappingWarningKind;

NumberedRow Numbered(int row, std::uint8_t type, std::uint16_t rtu, std::uint8_t points,
                     std::array<std::uint8_t, 4> ip = {192, 168, 1, 20}, std::uint16_t tcp = 0) {
  return {row, test::Record(type, rtu, ip, tcp, points, "")};
}

const GatewayNetwork kNetwork = {{192, 168, 1, 10}, {255, 255, 255, 0}, {0, 0, 0, 0}};

std::string Describe(const std::vector<MappingWarning>& warnings) {
  std::string text;
  for (const auto& w : warnings)
    text += std::to_string(w.row) + "/" + std::to_string(static_cast<int>(w.kind)) + "/" +
            std::to_string(w.otherRow) + ": " + w.text + "\n";
  return text;
}

TEST(CheckMapping, WarnsInWholeSentencesByRowThenKind) {
  const std::vector<NumberedRow> rows = {
      Numbered(1, 3, 100, 8),
      Numbered(2, 4, 100, 8),                           // another type: no overlap
      Numbered(3, 3, 108, 4),                           // touches row 1 only
      Numbered(4, 3, 107, 2, {192, 168, 1, 10}),        // shares 107 with row 1, 108 with row 3
      Numbered(5, 3, 65530, 10, {10, 0, 0, 1}, 65535),  // both ranges past the end
      Numbered(6, 3, 100, 0),                           // no points, no range
      Numbered(7, 3, 200, 126),                         // more registers than one read
      Numbered(8, 4, 300, 125),
      Numbered(9, 1, 0, 126, {192, 168, 1, 255}, 65410),
  };
  EXPECT_EQ(Describe(CheckMapping(rows, kNetwork)),
            "4/0/1: Row 4 maps Holding Register RTU address 107, which row 1 already maps.\n"
            "4/4/0: Row 4's device 192.168.1.10 is the gateway's own address.\n"
            "5/1/0: Row 5 maps RTU addresses 65530 to 65539, past the last address 65535.\n"
            "5/2/0: Row 5 maps TCP addresses 65535 to 65544 of its device, past the last address "
            "65535.\n"
            "5/5/0: Row 5's device 10.0.0.1 is outside the gateway's network 192.168.1.0 (subnet "
            "mask 255.255.255.0) and no default gateway is set.\n"
            "6/3/0: Row 6 maps no points (N\xC2\xB0 Point is 0).\n"
            "7/6/0: Row 7 asks for 126 registers in one read; Modbus reads at most 125 registers "
            "at a time.\n");

  GatewayNetwork routed = kNetwork;
  routed.gateway = {192, 168, 1, 1};
  EXPECT_EQ(CheckMapping({rows[4]}, routed).size(), 2u) << "a default gateway reaches 10.0.0.1";
  EXPECT_EQ(CheckMapping({rows[3]}, std::nullopt).size(), 0u) << "no network, no network checks";
}

TEST(CheckMapping, ReportsEachOverlapOnceAgainstTheEarliestRow) {
  std::vector<NumberedRow> rows;
  for (int row = 1; row <= 1400; ++row) rows.push_back(Numbered(row, 2, 500, 126));
  const std::vector<MappingWarning> warnings = CheckMapping(rows, std::nullopt);
  ASSERT_EQ(warnings.size(), 1399u);
  EXPECT_EQ(warnings.back().text,
            "Row 1400 maps Input Status RTU addresses 500 to 625, which row 1 already maps.");
  for (const auto& w : warnings) EXPECT_EQ(w.otherRow, 1) << w.text;
}

// The sweep against the plain pairwise reading of the rule, on random tables.
TEST(CheckMapping, OverlapsAgreeWithThePairwiseRule) {
  std::mt19937 random(13);
  for (int round = 0; round < 200; ++round) {
    std::vector<NumberedRow> rows;
    const int count = 1 + static_cast<int>(random() % 40);
    for (int i = 0, row = 0; i < count; ++i) {
      row += 1 + static_cast<int>(random() % 3);
      rows.push_back(Numbered(row, static_cast<std::uint8_t>(1 + random() % 2),
                              static_cast<std::uint16_t>(65400 + random() % 136),
                              static_cast<std::uint8_t>(random() % 20)));
    }
    std::string expected;
    auto last = [](const TMyRec& x) { return std::min(x.RtuAddress + x.PointCount - 1, 65535); };
    for (const NumberedRow& r : rows) {
      for (const NumberedRow& e : rows) {  // rows in row order: the first hit is the earliest
        if (e.row >= r.row || e.record.DataType != r.record.DataType) continue;
        if (!e.record.PointCount || !r.record.PointCount) continue;
        if (e.record.RtuAddress <= last(r.record) && r.record.RtuAddress <= last(e.record)) {
          expected += std::to_string(r.row) + "<" + std::to_string(e.row) + " ";
          break;
        }
      }
    }
    std::shuffle(rows.begin(), rows.end(), random);
    std::string found;
    for (const auto& w : CheckMapping(rows, std::nullopt))
      if (w.kind == Kind::kRtuOverlap) found += std::to_string(w.row) + "<" + std::to_string(w.otherRow) + " ";
    if (found != expected) {
      std::string table;
      for (const auto& r : rows)
        table += std::to_string(r.row) + ":" + std::to_string(r.record.DataType) + "@" +
                 std::to_string(r.record.RtuAddress) + "+" + std::to_string(r.record.PointCount) + " ";
      ADD_FAILURE() << "rows " << table << "\nfound    " << found << "\nexpected " << expected;
      return;
    }
  }
}

TEST(GatewayNetworkOf, ReadsTheTwelveOctetsByTheIntegerRule) {
  GeneralParameters parameters;
  parameters.ip = {"192", "168", " 1", "0x0A"};
  parameters.gateway = {"0", "0", "0", "1"};
  const auto network = GatewayNetworkOf(parameters);
  ASSERT_TRUE(network);
  EXPECT_EQ(network->ip, (std::array<std::uint8_t, 4>{192, 168, 1, 10}));
  EXPECT_EQ(network->subnet, (std::array<std::uint8_t, 4>{255, 255, 255, 0}));
  EXPECT_EQ(network->gateway, (std::array<std::uint8_t, 4>{0, 0, 0, 1}));
  for (const char* bad : {"256", "-1", "", "1 "}) {
    GeneralParameters broken = parameters;
    broken.subnet[2] = bad;
    EXPECT_EQ(GatewayNetworkOf(broken), std::nullopt) << "\"" << bad << "\"";
  }
}

}  // namespace
}  // namespace fabrion
