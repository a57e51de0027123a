#include "table/row_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fabrion {
namespace {

void FillRow(TranslateGrid& grid, int row, std::string rtu, std::string points) {
  const std::string cells[] = {"Coil Status", rtu, "10.0.0.1", "1", points, "Boiler"};
  for (int column = kDataTypeColumn; column < kGridColumns; ++column)
    grid.SetCell(row, column, cells[column - kDataTypeColumn]);
}

TEST(DuplicateRows, ProposesTheSpanOfTheRangesBelowTheLastRowInUse) {
  TranslateGrid grid;
  FillRow(grid, 1, "100", "10");
  FillRow(grid, 2, "105", "10");  // overlapping ranges: 100..114
  FillRow(grid, 3, "x", "10");    // no address: left out of the span
  grid.SetCell(9, kMnemonicColumn, "in use");
  DuplicateProposal proposal;
  ASSERT_EQ(ProposeDuplicate(grid, 1, 3, proposal), std::nullopt);
  EXPECT_EQ(proposal.below, 9);
  EXPECT_EQ(proposal.offset, 15);
  EXPECT_EQ(proposal.ip, "10.0.0.1");
  ASSERT_EQ(ProposeDuplicate(grid, 3, 3, proposal), std::nullopt);
  EXPECT_EQ(proposal.offset, 0);
}

TEST(DuplicateRows, CopiesMoveTheirAddressAndTakeTheNewDevice) {
  TranslateGrid grid;
  FillRow(grid, 1, "100", "10");
  FillRow(grid, 2, "105", "2");
  std::vector<TranslateCells> copies;
  ASSERT_EQ(PlanDuplicateRows(grid, 1, 2, "-100", "10.0.0.002", copies), std::nullopt);
  const std::vector<TranslateCells> expected = {
      {"Coil Status", "0", "10.0.0.2", "1", "10", "Boiler"},
      {"Coil Status", "5", "10.0.0.2", "1", "2", "Boiler"}};
  EXPECT_EQ(copies, expected);
}

TEST(DuplicateRows, Refusals) {
  const std::string offset = "Error!! RTU address offset must be between -65535 and 65535. ";
  const std::string sum = "Error!! Address RTU of row 1 plus the offset must be between 0 and 65535. ";
  const struct {
    const char* offset;
    const char* ip;
    int emptyRtuRow;  // a row whose Address RTU is emptied first
    int usedRow;      // a row marked in use
    std::string message;
  } cases[] = {
      {"1O", "1.2.3.4", 0, 0, offset},
      {"65536", "1.2.3.4", 0, 0, offset},
      {"-65536", "1.2.3.4", 0, 0, offset},
      {"65500", "1.2.3.4", 0, 0, sum},
      {"-101", "1.2.3.4", 0, 0, sum},
      {"5", "1.2.3", 0, 0,
       "Error!! Address Device TCP [1.2.3] must be a valid TCP IP Address (Ex. 192.168.1.125). "},
      {"5", "1.2.3.4", 2, 0,
       "Error!! Row 2 has no Address RTU, so the rows below it are not saved. Fill or delete row 2 "
       "first. "},
      {"5", "1.2.3.4", 0, 1400, "Error!! There is no room for the copies below row 1400. "},
  };
  for (const auto& c : cases) {
    TranslateGrid grid;
    for (int row = 1; row <= 3; ++row) FillRow(grid, row, std::to_string(100 * row), "1");
    if (c.emptyRtuRow) grid.SetCell(c.emptyRtuRow, kAddressRtuColumn, "");
    if (c.usedRow) grid.SetCell(c.usedRow, kMnemonicColumn, "end");
    std::vector<TranslateCells> copies;
    EXPECT_EQ(PlanDuplicateRows(grid, 1, 2, c.offset, c.ip, copies), c.message) << c.offset;
    EXPECT_TRUE(copies.empty());
    if (c.usedRow) {
      DuplicateProposal proposal;
      EXPECT_EQ(ProposeDuplicate(grid, 1, 1, proposal),
                "Cannot duplicate row 1: the copies go below row 1400, the last row in use, and "
                "the table ends at row 1400.");
    }
  }
}

}  // namespace
}  // namespace fabrion
