#include "table/translate_table_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/translate_rows.h"

namespace fabrion {
namespace {

using test::Record;

const std::string kDataTypeLine9 =
    "Error!! Type Data must be Coil Status or Input Status or Holding Register or Input Register "
    "(Line 9). ";

// Row `row` of the grid filled with a valid row of the table.
void FillRow(TranslateGrid& grid, int row, std::string dataType = "Holding Register",
             std::string rtu = "100", std::string ip = "192.168.1.125", std::string tcp = "40001",
             std::string points = "8", std::string mnemonic = "Boiler") {
  grid.SetCell(row, kDataTypeColumn, std::move(dataType));
  grid.SetCell(row, kAddressRtuColumn, std::move(rtu));
  grid.SetCell(row, kDeviceIpColumn, std::move(ip));
  grid.SetCell(row, kAddressTcpColumn, std::move(tcp));
  grid.SetCell(row, kPointCountColumn, std::move(points));
  grid.SetCell(row, kMnemonicColumn, std::move(mnemonic));
}

// --- The grid -------------------------------------------------------------

TEST(TranslateGrid, HasCaptionsAndNumberedEmptyRows) {
  TranslateGrid grid;
  EXPECT_EQ(grid.Cell(0, kNumberColumn), "N\xC2\xB0");
  EXPECT_EQ(grid.Cell(0, kDataTypeColumn), "Data Type");
  EXPECT_EQ(grid.Cell(0, kAddressRtuColumn), "Address RTU");
  EXPECT_EQ(grid.Cell(0, kDeviceIpColumn), "Address Device TCP");
  EXPECT_EQ(grid.Cell(0, kAddressTcpColumn), "Address TCP");
  EXPECT_EQ(grid.Cell(0, kPointCountColumn), "N\xC2\xB0 Point");
  EXPECT_EQ(grid.Cell(0, kMnemonicColumn), "Mnemonic");
  EXPECT_EQ(grid.Cell(1, kNumberColumn), "1");
  EXPECT_EQ(grid.Cell(1400, kNumberColumn), "1400");
  for (int column = 1; column < kGridColumns; ++column)
    EXPECT_EQ(grid.Cell(1400, column), "") << "column " << column;
}

TEST(TranslateGrid, ResetEmptiesDataCellsAndRenumbers) {
  TranslateGrid grid;
  FillRow(grid, 7);
  grid.SetCell(7, kNumberColumn, "x");
  grid.Reset();
  EXPECT_EQ(grid.Cell(7, kNumberColumn), "7");
  for (int column = 1; column < kGridColumns; ++column)
    EXPECT_EQ(grid.Cell(7, column), "") << "column " << column;
  EXPECT_EQ(grid.Cell(0, kDataTypeColumn), "Data Type");
}

// --- Placing the rows of var.xml ------------------------------------------

TEST(PlaceRows, PlacesTextsUnchangedAndTheCodeAsItsName) {
  TranslateGrid grid;
  PlaceRows(grid, {RowTexts{{"3", "007", "192", "168", "1", "125", "0x10", "8", "<a&\"b>"}},
                   RowTexts{{"1", "5", "10", " 0", "0", "1", "6", "7", ""}}});
  EXPECT_EQ(grid.Cell(1, kDataTypeColumn), "Holding Register");
  EXPECT_EQ(grid.Cell(1, kAddressRtuColumn), "007");
  EXPECT_EQ(grid.Cell(1, kDeviceIpColumn), "192.168.1.125");
  EXPECT_EQ(grid.Cell(1, kAddressTcpColumn), "0x10");
  EXPECT_EQ(grid.Cell(1, kPointCountColumn), "8");
  EXPECT_EQ(grid.Cell(1, kMnemonicColumn), "<a&\"b>");
  EXPECT_EQ(grid.Cell(2, kDataTypeColumn), "Coil Status");
  EXPECT_EQ(grid.Cell(2, kDeviceIpColumn), "10. 0.0.1");
  EXPECT_EQ(grid.Cell(3, kAddressRtuColumn), "");
}

struct CodeCase {
  const char* code;
  const char* name;
};

class PlaceRowsCode : public ::testing::TestWithParam<CodeCase> {};

TEST_P(PlaceRowsCode, ReadsTheCodeByTheIntegerRule) {
  TranslateGrid grid;
  PlaceRows(grid, {RowTexts{{GetParam().code, "1", "1", "2", "3", "4", "5", "6", "m"}}});
  EXPECT_EQ(grid.Cell(1, kDataTypeColumn), GetParam().name) << "DATA_TYPE \"" << GetParam().code << "\"";
  EXPECT_EQ(grid.Cell(1, kAddressRtuColumn), "1") << "the row's other cells are still filled";
  EXPECT_EQ(grid.Cell(1, kMnemonicColumn), "m");
}

INSTANTIATE_TEST_SUITE_P(Codes, PlaceRowsCode,
                         ::testing::Values(CodeCase{"1", "Coil Status"}, CodeCase{"2", "Input Status"},
                                           CodeCase{"3", "Holding Register"},
                                           CodeCase{"4", "Input Register"},
                                           CodeCase{" 4", "Input Register"},
                                           CodeCase{"$2", "Input Status"},
                                           CodeCase{"0x3", "Holding Register"},
                                           CodeCase{"0", ""}, CodeCase{"5", ""}, CodeCase{"7", ""},
                                           CodeCase{"4 ", ""}, CodeCase{"", ""},
                                           CodeCase{"Coil Status", ""}));

TEST(PlaceRows, RowThatLackedAnAttributeKeepsTheCellsBeforeIt) {
  TranslateGrid grid;
  // TCP_ADD_DEV_3 was missing: the address cell needs all four octets.
  PlaceRows(grid, {RowTexts{{"2", "17", "192", "168"}}});
  EXPECT_EQ(grid.Cell(1, kDataTypeColumn), "Input Status");
  EXPECT_EQ(grid.Cell(1, kAddressRtuColumn), "17");
  EXPECT_EQ(grid.Cell(1, kDeviceIpColumn), "");
  EXPECT_EQ(grid.Cell(1, kAddressTcpColumn), "");

  TranslateGrid other;
  PlaceRows(other, {RowTexts{{"2", "17", "1", "2", "3", "4", "9"}}});  // N_POINT missing
  EXPECT_EQ(other.Cell(1, kDeviceIpColumn), "1.2.3.4");
  EXPECT_EQ(other.Cell(1, kAddressTcpColumn), "9");
  EXPECT_EQ(other.Cell(1, kPointCountColumn), "");
  EXPECT_EQ(other.Cell(1, kMnemonicColumn), "");
}

TEST(PlaceRows, IgnoresRowsAfterThe1400th) {
  TranslateGrid grid;
  std::vector<RowTexts> rows(1401, RowTexts{{"1", "1", "1", "1", "1", "1", "1", "1", "m"}});
  PlaceRows(grid, rows);
  EXPECT_EQ(grid.Cell(1400, kMnemonicColumn), "m");
  EXPECT_EQ(grid.Cell(1400, kNumberColumn), "1400");
}

// --- ParseIpAddress -------------------------------------------------------

struct IpCase {
  const char* text;
  bool valid;
  std::array<std::uint8_t, 4> octets;
};

class ParseIpAddressTest : public ::testing::TestWithParam<IpCase> {};

TEST_P(ParseIpAddressTest, SplitsAtTheFirstThreeDots) {
  std::array<std::uint8_t, 4> octets{9, 9, 9, 9};
  EXPECT_EQ(ParseIpAddress(GetParam().text, octets), GetParam().valid) << "\"" << GetParam().text << "\"";
  const std::array<std::uint8_t, 4> expected =
      GetParam().valid ? GetParam().octets : std::array<std::uint8_t, 4>{9, 9, 9, 9};
  EXPECT_EQ(octets, expected) << "\"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseIpAddressTest,
    ::testing::Values(IpCase{"192.168.1.125", true, {192, 168, 1, 125}},
                      IpCase{"0.0.0.0", true, {0, 0, 0, 0}},
                      IpCase{"255.255.255.255", true, {255, 255, 255, 255}},
                      IpCase{" 10. 1.2.3", true, {10, 1, 2, 3}},  // blanks in front of a part
                      IpCase{"0x10.$A.007.+1", true, {16, 10, 7, 1}},
                      IpCase{"", false, {}}, IpCase{"192.168.1", false, {}},
                      IpCase{"192.168.1.256", false, {}}, IpCase{"1.2.3.4.5", false, {}},
                      IpCase{"1..2.3", false, {}}, IpCase{"1.2.3.", false, {}},
                      IpCase{".1.2.3", false, {}}, IpCase{"1.2.3.4 ", false, {}},
                      IpCase{"-1.2.3.4", false, {}}, IpCase{"1.2.3.x", false, {}},
                      IpCase{"a.b.c.d", false, {}}));

// --- OK's first pass: the data types --------------------------------------

struct NameCase {
  const char* text;
  bool accepted;
};

class DataTypeNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(DataTypeNames, AreMatchedWithoutCaseAndWithoutTrimming) {
  TranslateGrid grid;
  grid.SetCell(9, kDataTypeColumn, GetParam().text);
  const std::optional<std::string> refusal = CheckDataTypes(grid);
  if (GetParam().accepted)
    EXPECT_EQ(refusal, std::nullopt) << "\"" << GetParam().text << "\"";
  else
    EXPECT_EQ(refusal, kDataTypeLine9) << "\"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(Texts, DataTypeNames,
                         ::testing::Values(NameCase{"", true}, NameCase{"Coil Status", true},
                                           NameCase{"Input Status", true},
                                           NameCase{"Holding Register", true},
                                           NameCase{"Input Register", true},
                                           NameCase{"holding register", true},
                                           NameCase{"INPUT STATUS", true},
                                           NameCase{" Holding Register", false},
                                           NameCase{"Holding Register ", false},
                                           NameCase{"Coils", false}, NameCase{"3", false},
                                           NameCase{" ", false}));

TEST(CheckDataTypes, ReportsTheFirstBadRowAndChecksRowsNotSaved) {
  TranslateGrid grid;
  grid.SetCell(1400, kDataTypeColumn, "Coils");
  EXPECT_EQ(CheckDataTypes(grid), DataTypeMessage(1400));
  grid.SetCell(9, kDataTypeColumn, "Coils");
  EXPECT_EQ(CheckDataTypes(grid), kDataTypeLine9);
}

// --- OK's second pass: CollectRows ----------------------------------------

TEST(CollectRows, TakesTheRunOfRowsUpToTheFirstEmptyAddressRtu) {
  TranslateGrid grid;
  FillRow(grid, 1, "Coil Status", "0", "10.0.0.1", "1", "0", "");
  FillRow(grid, 2, "input status", "65535", "0.0.0.0", "65535", "126", "<&\">");
  FillRow(grid, 3, "Input Register", " 12", "255.255.255.255", "0x10", "$7E", "three");
  FillRow(grid, 5, "Coils", "bad", "bad", "bad", "bad", "after the gap");  // never looked at
  std::vector<TMyRec> rows{Record(1, 1, {1, 1, 1, 1}, 1, 1, "stale")};
  EXPECT_EQ(CollectRows(grid, rows), std::nullopt);
  const std::vector<TMyRec> expected = {
      Record(1, 0, {10, 0, 0, 1}, 1, 0, ""),
      Record(2, 65535, {0, 0, 0, 0}, 65535, 126, "<&\">"),
      Record(4, 12, {255, 255, 255, 255}, 16, 126, "three"),
  };
  EXPECT_EQ(rows, expected);
}

TEST(FindRowsBelowTable, FindsTextBelowTheFirstRowWithoutAddressRtu) {
  struct Case {
    std::vector<std::pair<int, int>> filled;  // row, column given text
    std::optional<RowsBelowTable> found;
  } cases[] = {
      {{{1, kAddressRtuColumn}, {2, kAddressRtuColumn}}, std::nullopt},
      {{{1, kAddressRtuColumn}, {2, kMnemonicColumn}}, std::nullopt},  // row 2 ends the table
      {{{1, kAddressRtuColumn}, {3, kMnemonicColumn}}, RowsBelowTable{2, 3, 3}},
      {{{2, kDataTypeColumn}, {9, kPointCountColumn}, {1400, kAddressRtuColumn}},
       RowsBelowTable{1, 2, 1400}},
  };
  for (const Case& c : cases) {
    TranslateGrid grid;
    for (auto [row, column] : c.filled) grid.SetCell(row, column, "1");
    EXPECT_EQ(FindRowsBelowTable(grid), c.found) << c.filled.size() << " cells";
  }
  EXPECT_EQ(RowsBelowTableQuestion({4, 5, 9}),
            "Rows 5 to 9 hold data below row 4, which has no Address RTU, and will not be saved. "
            "Save anyway?");
}

TEST(GridMappingWarnings, NamesEachRowBelowTheTable) {
  TranslateGrid grid;
  FillRow(grid, 1, "Coil Status", "0", "10.0.0.1", "1", "0", "");  // N° Point 0
  grid.SetCell(3, kMnemonicColumn, "kept?");
  std::vector<std::pair<int, std::string>> got;
  for (const MappingWarning& w : GridMappingWarnings(grid, std::nullopt))
    got.emplace_back(w.row, w.text.substr(0, 20));
  const std::vector<std::pair<int, std::string>> expected = {
      {1, CheckMapping(ReadableRows(grid), std::nullopt).at(0).text.substr(0, 20)},
      {3, "not saved: below row"}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(GridMappingWarnings(grid, std::nullopt).back().text,
            "not saved: below row 2, which has no Address RTU");
}

TEST(CollectRows, EmptyFirstAddressRtuGivesAnEmptyTable) {
  TranslateGrid grid;
  FillRow(grid, 2);
  FillRow(grid, 3);
  std::vector<TMyRec> rows{Record(1, 1, {1, 1, 1, 1}, 1, 1, "stale")};
  EXPECT_EQ(CollectRows(grid, rows), std::nullopt);
  EXPECT_TRUE(rows.empty());
}

TEST(CollectRows, TakesAll1400Rows) {
  TranslateGrid grid;
  for (int row = 1; row <= 1400; ++row) FillRow(grid, row, "Coil Status", std::to_string(row));
  std::vector<TMyRec> rows;
  EXPECT_EQ(CollectRows(grid, rows), std::nullopt);
  ASSERT_EQ(rows.size(), 1400u);
  EXPECT_EQ(rows.back(), Record(1, 1400, {192, 168, 1, 125}, 40001, 8, "Boiler"));
}

struct CellCase {
  int column;
  const char* text;
  std::optional<std::string> refusal;  // nothing: accepted
};

class CollectRowsCell : public ::testing::TestWithParam<CellCase> {};

TEST_P(CollectRowsCell, RefusesOutOfRangeWithItsMessage) {
  TranslateGrid grid;
  FillRow(grid, 1);
  FillRow(grid, 2);
  grid.SetCell(2, GetParam().column, GetParam().text);
  std::vector<TMyRec> rows;
  EXPECT_EQ(CollectRows(grid, rows), GetParam().refusal)
      << "column " << GetParam().column << " \"" << GetParam().text << "\"";
}

const std::string kRtu = "Error!! Address RTU must be between 0 and 65535. ";
const std::string kTcp = "Error!! Address TCP must be between 0 and 65535. ";
const std::string kPoint = "Error!! N\xC2\xB0 Point must be between 0 and 127. ";
std::string Ip(const std::string& text) {
  return "Error!! Address Device TCP [" + text +
         "] must be a valid TCP IP Address (Ex. 192.168.1.125). ";
}

INSTANTIATE_TEST_SUITE_P(
    Limits, CollectRowsCell,
    ::testing::Values(
        CellCase{kDataTypeColumn, "", DataTypeMessage(2)},
        CellCase{kAddressRtuColumn, "0", std::nullopt},
        CellCase{kAddressRtuColumn, "65535", std::nullopt},
        CellCase{kAddressRtuColumn, " 12", std::nullopt},
        CellCase{kAddressRtuColumn, "0x10", std::nullopt},
        CellCase{kAddressRtuColumn, "65536", kRtu}, CellCase{kAddressRtuColumn, "-1", kRtu},
        CellCase{kAddressRtuColumn, "12 ", kRtu}, CellCase{kAddressRtuColumn, "x", kRtu},
        CellCase{kDeviceIpColumn, "0.0.0.0", std::nullopt},
        CellCase{kDeviceIpColumn, "", Ip("")},
        CellCase{kDeviceIpColumn, "192.168.1", Ip("192.168.1")},
        CellCase{kDeviceIpColumn, "192.168.1.256", Ip("192.168.1.256")},
        CellCase{kDeviceIpColumn, "1.2.3.4.5", Ip("1.2.3.4.5")},
        CellCase{kDeviceIpColumn, "1..2.3", Ip("1..2.3")},
        CellCase{kAddressTcpColumn, "0", std::nullopt},
        CellCase{kAddressTcpColumn, "65535", std::nullopt},
        CellCase{kAddressTcpColumn, "70000", kTcp}, CellCase{kAddressTcpColumn, "65536", kTcp},
        CellCase{kAddressTcpColumn, "", kTcp}, CellCase{kAddressTcpColumn, "-1", kTcp},
        CellCase{kPointCountColumn, "0", std::nullopt},
        CellCase{kPointCountColumn, "126", std::nullopt},
        CellCase{kPointCountColumn, "127", kPoint}, CellCase{kPointCountColumn, "-1", kPoint},
        CellCase{kPointCountColumn, "", kPoint},
        CellCase{kMnemonicColumn, "", std::nullopt}));

// var.xml is XML 1.0: of the control characters only tab, LF and CR may stand in it.
TEST(CollectRows, RefusesMnemonicsAnXmlDocumentCannotHold) {
  const std::string refusal = "Error!! Mnemonic must not hold control characters (Line 2). ";
  const struct {
    const char* mnemonic;
    bool accepted;
  } cases[] = {
      {"tab\there", true},  {"two\r\nlines", true}, {"caf\xC3\xA9 \x7F", true},
      {"pasted \x01", false}, {"\x1F", false},      {"\x0B", false},
      {"\xEF\xBF\xBE", false},  // U+FFFE
  };
  for (const auto& c : cases) {
    TranslateGrid grid;
    FillRow(grid, 1);
    FillRow(grid, 2);
    grid.SetCell(2, kMnemonicColumn, c.mnemonic);
    std::vector<TMyRec> rows;
    EXPECT_EQ(CollectRows(grid, rows), c.accepted ? std::nullopt : std::optional(refusal))
        << "mnemonic \"" << c.mnemonic << "\"";
  }
}

TEST(CollectRows, ChecksCellsInColumnOrder) {
  TranslateGrid grid;
  FillRow(grid, 4, "", "x", "x", "x", "x");
  FillRow(grid, 1);
  FillRow(grid, 2);
  FillRow(grid, 3);
  std::vector<TMyRec> rows;
  EXPECT_EQ(CollectRows(grid, rows), DataTypeMessage(4));
  grid.SetCell(4, kDataTypeColumn, "Coil Status");
  EXPECT_EQ(CollectRows(grid, rows), kRtu);
  grid.SetCell(4, kAddressRtuColumn, "1");
  EXPECT_EQ(CollectRows(grid, rows), Ip("x"));
  grid.SetCell(4, kDeviceIpColumn, "1.2.3.4");
  EXPECT_EQ(CollectRows(grid, rows), kTcp);
  grid.SetCell(4, kAddressTcpColumn, "1");
  EXPECT_EQ(CollectRows(grid, rows), kPoint);
  grid.SetCell(4, kPointCountColumn, "1");
  EXPECT_EQ(CollectRows(grid, rows), std::nullopt);
  EXPECT_EQ(rows.size(), 4u);
}

TEST(ValidateTable, DataTypePassComesFirst) {
  TranslateGrid grid;
  FillRow(grid, 1, "Coil Status", "99999");  // the collect pass would refuse row 1
  grid.SetCell(9, kDataTypeColumn, "Coils");
  std::vector<TMyRec> rows;
  EXPECT_EQ(ValidateTable(grid, rows), kDataTypeLine9);
  grid.SetCell(9, kDataTypeColumn, "coil status");
  EXPECT_EQ(ValidateTable(grid, rows), kRtu);
}

TEST(Messages, EndWithOneBlank) {
  EXPECT_EQ(DataTypeMessage(1400),
            "Error!! Type Data must be Coil Status or Input Status or Holding Register or Input "
            "Register (Line 1400). ");
  EXPECT_EQ(DeviceIpMessage("a b"),
            "Error!! Address Device TCP [a b] must be a valid TCP IP Address (Ex. 192.168.1.125). ");
}

// --- Every refusal, the readable rows, imports -------------------------------

TEST(CheckEveryRow, GivesEveryCellsMessageWhereOkGivesTheFirst) {
  TranslateGrid grid;
  FillRow(grid, 1);
  FillRow(grid, 2, "Coils", "65536", "1.2.3", "-1", "127");
  FillRow(grid, 3);
  FillRow(grid, 4, "", "1", "");
  grid.SetCell(9, kDataTypeColumn, "Coils");  // below the table: the data type pass's alone
  grid.SetCell(10, kDataTypeColumn, "Coil Status");
  const std::vector<RowRefusal> expected = {
      {2, DataTypeMessage(2)}, {2, kRtu}, {2, Ip("1.2.3")}, {2, kTcp}, {2, kPoint},
      {4, DataTypeMessage(4)}, {4, Ip("")}, {9, kDataTypeLine9},
  };
  EXPECT_EQ(CheckEveryRow(grid), expected);

  for (int row : {2, 4, 9}) FillRow(grid, row);
  std::vector<TMyRec> rows;
  EXPECT_EQ(CheckEveryRow(grid), std::vector<RowRefusal>{});
  EXPECT_EQ(ValidateTable(grid, rows), std::nullopt);
}

TEST(ReadableRows, TakesTheTableRowsThatPassWithTheirNumbers) {
  TranslateGrid grid;
  FillRow(grid, 1, "Coil Status", "1");
  FillRow(grid, 2, "Coil Status", "2", "x");
  FillRow(grid, 3, "input status", "0x10", "10.0.0.1", "7", "0", "m");
  FillRow(grid, 5, "Coil Status", "5");  // after the empty Address RTU of row 4
  const std::vector<NumberedRow> rows = ReadableRows(grid);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].row, 1);
  EXPECT_EQ(rows[0].record, Record(1, 1, {192, 168, 1, 125}, 40001, 8, "Boiler"));
  EXPECT_EQ(rows[1].row, 3);
  EXPECT_EQ(rows[1].record, Record(2, 16, {10, 0, 0, 1}, 7, 0, "m"));

  const std::vector<TranslateCells> cells = TableCells(grid);  // what the export writes
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[2], (TranslateCells{"input status", "0x10", "10.0.0.1", "7", "0", "m"}));
}

TEST(ImportRefusals, NamesTheCsvLinesOfTheReaderAndOfOk) {
  const TranslateCsv csv = ReadTranslateCsv(
      "Data Type;Address RTU;Address Device TCP;Address TCP;N\xC2\xB0 Point;Mnemonic\n"
      "\n"
      "1;70000;1.2.3.4;1;127;a\n"
      "1;x;1.2.3.4;1;1;b\n"
      "1;1;1.2.3.4;1;1;c\n");
  const std::vector<CsvRefusal> expected = {
      {3, kRtu}, {3, kPoint}, {4, "Address RTU \"x\" is not a number."}};
  EXPECT_EQ(ImportRefusals(csv), expected);
  EXPECT_EQ(ImportRefusals(ReadTranslateCsv("1;1;1.2.3.4;1;1;c")), std::vector<CsvRefusal>{});
}

// A message that names its line names the CSV line, not the grid row the line would fill.
TEST(ImportRefusals, MessagesNameTheCsvLine) {
  const TranslateCsv csv = ReadTranslateCsv(
      "x;1;1.2.3.4;1;1;a\n"
      "\n"
      "1;1;1.2.3.4;1;1;\"tab\tand\x01\"\n");
  EXPECT_EQ(ImportRefusals(csv), (std::vector<CsvRefusal>{
                                     {1, "Data Type \"x\" is neither a data type (Coil Status, Input "
                                         "Status, Holding Register, Input Register) nor a code 1 to 4."},
                                     {3, MnemonicMessage(3)}}));
}

// --- Clipboard text -------------------------------------------------------

TEST(Paste, ClipboardCasesAreReadLiterallyAndRefusedWholeWhenTheyDoNotFit) {
  using Block = std::vector<std::vector<std::string>>;
  const std::string header =
      "Data Type\tAddress RTU\tAddress Device TCP\tAddress TCP\tN\xC2\xB0 Point\tMnemonic\r\n";
  struct Case {
    std::string text;
    int row, column;
    Block block;
    std::string refusal;  // empty when the block fits
  } cases[] = {
      {"\"Tank A\" level", 1, kMnemonicColumn, {{"\"Tank A\" level"}}, ""},
      {"\"Tank A\"\tb\"c\"\r\n\"x\"\"y\"z", 1, kDataTypeColumn,
       {{"Tank A", "b\"c\""}, {"\"x\"\"y\"z"}}, ""},
      {header + "Coil Status\t1\r\n", 1, kDataTypeColumn, {{"Coil Status", "1"}}, ""},
      {"a\tb\n" + header, 1, kAddressTcpColumn,
       {{"a", "b"}, {"Data Type", "Address RTU", "Address Device TCP", "Address TCP",
                     "N\xC2\xB0 Point", "Mnemonic"}},
       "Cannot paste 2 rows of 6 cells at row 1, Address TCP: 2 rows of 3 cells fit there. "
       "Nothing was pasted."},
      {"1\n2\n3\n", 1399, kMnemonicColumn, {{"1"}, {"2"}, {"3"}},
       "Cannot paste 3 rows of 1 cell at row 1399, Mnemonic: 2 rows of 1 cell fit there. "
       "Nothing was pasted."},
      {"1\n2\n", 1399, kMnemonicColumn, {{"1"}, {"2"}}, ""},
  };
  for (const Case& c : cases) {
    const Block block = ParseTabSeparated(c.text);
    EXPECT_EQ(block, c.block) << c.text;
    EXPECT_EQ(PasteRefusal(c.row, c.column, block).value_or(""), c.refusal) << c.text;
  }
}

TEST(CopyArea, GuardsAFormulaMnemonicAndPasteTakesTheGuardAway) {
  TranslateGrid grid;
  grid.SetCell(1, kAddressTcpColumn, "=1");
  grid.SetCell(1, kMnemonicColumn, "=1+1");
  const std::string copied = CopyArea(grid, GridArea{1, kAddressTcpColumn, 1, kMnemonicColumn});
  EXPECT_EQ(copied, "=1\t\t'=1+1\n");
  TranslateGrid pasted;
  PasteBlock(pasted, 5, kAddressTcpColumn, ParseTabSeparated(copied));
  EXPECT_EQ(pasted.Cell(5, kAddressTcpColumn), "=1");
  EXPECT_EQ(pasted.Cell(5, kMnemonicColumn), "=1+1");
}

TEST(ParseTabSeparated, ReadsSpreadsheetClipboardText) {
  using Block = std::vector<std::vector<std::string>>;
  EXPECT_EQ(ParseTabSeparated(""), Block{});
  EXPECT_EQ(ParseTabSeparated("x"), (Block{{"x"}}));
  EXPECT_EQ(ParseTabSeparated("a\tb\nc\td\n"), (Block{{"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(ParseTabSeparated("a\tb\r\nc\td\r\n"), (Block{{"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(ParseTabSeparated("a\t\t\n\nb"), (Block{{"a", "", ""}, {""}, {"b"}}));
  // Spreadsheets quote cells that hold tabs, line breaks or quotes.
  EXPECT_EQ(ParseTabSeparated("\"a\tb\"\t\"line 1\r\nline 2\"\t\"5\"\" pipe\"\r\nx\r\n"),
            (Block{{"a\tb", "line 1\r\nline 2", "5\" pipe"}, {"x"}}));
}

TEST(CopyArea, WritesTabSeparatedLines) {
  TranslateGrid grid;
  FillRow(grid, 2, "Coil Status", "1", "1.2.3.4");
  FillRow(grid, 3, "", "2", "");
  grid.SetCell(3, kMnemonicColumn, "tab\there, \"quoted\",\nnext line");
  EXPECT_EQ(CopyArea(grid, {2, kDataTypeColumn, 3, kDeviceIpColumn}),
            "Coil Status\t1\t1.2.3.4\n\t2\t\n");
  EXPECT_EQ(CopyArea(grid, {3, kPointCountColumn, 3, kMnemonicColumn}),
            "8\t\"tab\there, \"\"quoted\"\",\nnext line\"\n");
  // A byte order mark in front of the text is skipped; one in the first cell stays in it.
  grid.SetCell(4, kDataTypeColumn, "\xEF\xBB\xBFx");
  EXPECT_EQ(ParseTabSeparated(CopyArea(grid, {4, 1, 4, 1})),
            (std::vector<std::vector<std::string>>{{"\xEF\xBB\xBFx"}}));
  const auto back = ParseTabSeparated(CopyArea(grid, {2, 1, 3, 6}));
  TranslateGrid copy;
  PasteBlock(copy, 2, 1, back);
  for (int row = 2; row <= 3; ++row)
    for (int column = 1; column < kGridColumns; ++column)
      EXPECT_EQ(copy.Cell(row, column), grid.Cell(row, column)) << row << "," << column;
}

TEST(PasteBlock, NeverGoesPastRow1400OrColumn6) {
  TranslateGrid grid;
  const auto written = PasteBlock(grid, 1399, kPointCountColumn,
                                  {{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
  EXPECT_EQ(written, (GridArea{1399, kPointCountColumn, 1400, kMnemonicColumn}));
  EXPECT_EQ(grid.Cell(1399, kPointCountColumn), "a");
  EXPECT_EQ(grid.Cell(1399, kMnemonicColumn), "b");
  EXPECT_EQ(grid.Cell(1400, kPointCountColumn), "d");
  EXPECT_EQ(grid.Cell(1400, kMnemonicColumn), "e");
}

TEST(PasteBlock, NeverWritesRowNumbersOrCaptions) {
  TranslateGrid grid;
  const auto written = PasteBlock(grid, 0, kNumberColumn, {{"a", "b"}, {"c"}});
  EXPECT_EQ(written, (GridArea{1, kDataTypeColumn, 2, kAddressRtuColumn}));
  EXPECT_EQ(grid.Cell(0, kDataTypeColumn), "Data Type");
  EXPECT_EQ(grid.Cell(1, kNumberColumn), "1");
  EXPECT_EQ(grid.Cell(1, kDataTypeColumn), "a");
  EXPECT_EQ(grid.Cell(1, kAddressRtuColumn), "b");
  EXPECT_EQ(grid.Cell(2, kDataTypeColumn), "c");
  EXPECT_EQ(grid.Cell(2, kAddressRtuColumn), "");
  EXPECT_EQ(PasteBlock(grid, 5, 1, {}), std::nullopt);
}

TEST(FillArea, LeavesRowNumbersAlone) {
  TranslateGrid grid;
  FillRow(grid, 1);
  FillRow(grid, 2);
  FillArea(grid, {1, kNumberColumn, 1, kMnemonicColumn}, "");
  EXPECT_EQ(grid.Cell(1, kNumberColumn), "1");
  EXPECT_EQ(grid.Cell(1, kDataTypeColumn), "");
  EXPECT_EQ(grid.Cell(1, kMnemonicColumn), "");
  EXPECT_EQ(grid.Cell(2, kDataTypeColumn), "Holding Register");
}

}  // namespace
}  // namespace fabrion
