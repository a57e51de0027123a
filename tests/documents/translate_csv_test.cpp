#include "documents/translate_csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fabrion {
namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHeader =
    "Data Type,Address RTU,Address Device TCP,Address TCP,N\xC2\xB0 Point,Mnemonic\r\n";

// --- Delimited text ---------------------------------------------------------

struct DelimitedCase {
  std::string text;
  char separator;
  std::vector<DelimitedRecord> records;
};

TEST(ParseDelimited, SplitsRecordsAsRfc4180QuotesThem) {
  using R = DelimitedRecord;
  const std::vector<DelimitedCase> cases = {
      {"", ',', {}},
      {"a,b\r\nc,d\r\n", ',', {R{1, {"a", "b"}}, R{2, {"c", "d"}}}},
      {kBom + "a;b\nc", ';', {R{1, {"a", "b"}}, R{2, {"c"}}}},
      {"a,,\n\n\r\nb,", ',', {R{1, {"a", "", ""}}, R{2, {""}}, R{3, {""}}, R{4, {"b", ""}}}},
      // Quoted cells hold separators, line breaks and doubled quotes; the
      // record after one that spans lines starts on its own line number.
      {"\"x,y\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\nnext", ',',
       {R{1, {"x,y", "say \"hi\"", "two\r\nlines"}}, R{3, {"next"}}}},
      {"\"\",\"a\"b,c\"d\"", ',', {R{1, {"", "ab", "c\"d\""}}}},
      {"a\t\"b\tc\nd\"\te\n", '\t', {R{1, {"a", "b\tc\nd", "e"}}}},
      // A quote that nothing closes is taken as it stands, not as the rest of the text.
      {"\"open,b\nc,d", ',', {R{1, {"\"open", "b"}, true}, R{2, {"c", "d"}}}},
      {"a,b\r", ',', {R{1, {"a", "b"}}}},
  };
  for (const auto& c : cases) {
    const std::vector<DelimitedRecord> records = ParseDelimited(c.text, c.separator);
    ASSERT_EQ(records.size(), c.records.size()) << ::testing::PrintToString(c.text);
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(records[i].line, c.records[i].line) << ::testing::PrintToString(c.text) << " #" << i;
      EXPECT_EQ(records[i].cells, c.records[i].cells) << ::testing::PrintToString(c.text) << " #" << i;
      EXPECT_EQ(records[i].strayQuote, c.records[i].strayQuote) << ::testing::PrintToString(c.text);
    }
  }
}

TEST(ParseDelimited, LineEndsOfEveryDialect) {
  const struct {
    std::string text;
    std::vector<std::vector<std::string>> records;
    std::vector<int> lines;
  } cases[] = {
      {"a,b\nc\n", {{"a", "b"}, {"c"}}, {1, 2}},
      {"a,b\r\nc\r\n", {{"a", "b"}, {"c"}}, {1, 2}},
      {"a,b\rc\r", {{"a", "b"}, {"c"}}, {1, 2}},
      {"a\rb\r\nc\nd", {{"a"}, {"b"}, {"c"}, {"d"}}, {1, 2, 3, 4}},
      {"a\r\rb", {{"a"}, {""}, {"b"}}, {1, 2, 3}},
      {"\"x\r\ny\",z\rw", {{"x\r\ny", "z"}, {"w"}}, {1, 3}},
  };
  for (const auto& c : cases) {
    std::vector<std::vector<std::string>> records;
    std::vector<int> lines;
    for (const DelimitedRecord& r : ParseDelimited(c.text, ',')) {
      records.push_back(r.cells);
      lines.push_back(r.line);
    }
    EXPECT_EQ(records, c.records) << c.text;
    EXPECT_EQ(lines, c.lines) << c.text;
  }
}

TEST(DetectSeparator, SplitsTheFirstLinesEvenlyOrCountsOnTheFirstLine) {
  const std::vector<std::pair<std::string, char>> cases = {
      // Decided on the lines together: commas in a mnemonic on line 1 do not win.
      {"1;2;Tank, a, b, c\r\n\r\n1;2;x\r\n", ';'},
      {"a,b\tc\td\ne,f\tg\th\n", '\t'},  // 3 cells by tab beat 2 by comma
      // No separator splits them evenly: the first line decides.
      {"", ','},
      {"a;b;c,d\nx,y,z,w,v", ';'},
      {kBom + "\r\n  \na\tb\tc;d", '\t'},
      {"\"a;b;c\",d", ','},
      {"\"x\r\n;;;\";b", ';'},
      {"12\" pipe;b;c", ';'},  // a quote inside a cell opens nothing
      {"a,b;c", ','},          // a tie goes to comma
      {"a;b\tc", ';'},
  };
  for (const auto& [text, separator] : cases)
    EXPECT_EQ(DetectSeparator(text), separator) << ::testing::PrintToString(text);
}

// --- Writing ----------------------------------------------------------------

TEST(WriteTranslateCsv, WritesBomHeaderAndCanonicalCells) {
  EXPECT_EQ(WriteTranslateCsv({}), kBom + kHeader);
  const std::vector<TranslateCells> rows = {
      {"holding register", "007", " 192.168.001.1", "0x10", "$7E", "Pump, \"north\" \xC3\xA9"},
      {"7", "12 ", "1.2.3", "", "x", "two\nlines"},
  };
  EXPECT_EQ(WriteTranslateCsv(rows),
            kBom + kHeader +
                "Holding Register,7,192.168.1.1,16,126,\"Pump, \"\"north\"\" \xC3\xA9\"\r\n"
                "7,12 ,1.2.3,,x,\"two\nlines\"\r\n");
}

TEST(CellsOfTable, NamesTheTypeAndJoinsTheOctetsAsTheDialogPlacesThem) {
  const std::vector<RowTexts> rows = {
      {{"3", "007", "192", "168", "1", "125", "0x10", "8", "m"}},
      {{"7", "5", "10", "0", "0", "1", "6", "7", ""}},
      {{"2", "17", "192", "168"}},  // lacked TCP_ADD_DEV_3
  };
  const std::vector<TranslateCells> expected = {
      {"Holding Register", "007", "192.168.1.125", "0x10", "8", "m"},
      {"7", "5", "10.0.0.1", "6", "7", ""},
      {"Input Status", "17", "", "", "", ""},
  };
  EXPECT_EQ(CellsOfTable(rows), expected);
}

// --- Reading ----------------------------------------------------------------

struct ReadCase {
  std::string text;
  std::vector<TranslateCells> rows;
  std::vector<int> lines;
  std::vector<CsvRefusal> refusals;
};

const TranslateCells kRow = {"Holding Register", "100", "192.168.1.125", "40001", "8", "Pump"};
const std::string kCells = "Holding Register,100,192.168.1.125,40001,8,Pump";

TEST(ReadTranslateCsv, ReadsWhatSpreadsheetsWrite) {
  const std::vector<ReadCase> cases = {
      {kBom + kHeader + kCells + "\r\n", {kRow}, {2}, {}},
      {kCells, {kRow}, {1}, {}},
      // Header recognised whatever its case and blanks, also with a Windows
      // code page's degree sign; empty lines and rows of empty cells skipped.
      {"\n DATA TYPE ;address rtu;Address Device TCP;Address TCP;N\xB0 Point;Mnemonic\n;;;;;\n"
       "3; 0x64;192.168.001.125;$9C41;8;\"Pump\"\n\n",
       {kRow},
       {4},
       {}},
      {"input register\t0\t0.0.0.0\t0\t0\t\t\t\n1\t-1\t1.2.3.4\t70000\t127\t\"a;b\"\"c\"\n",
       {{"Input Register", "0", "0.0.0.0", "0", "0", ""},
        {"Coil Status", "-1", "1.2.3.4", "70000", "127", "a;b\"c"}},
       {1, 2},
       {}},
      {"\"Holding\nRegister\",1,1.1.1.1,1,1,m\n" + kCells,
       {},
       {},
       {{1, "Data Type \"Holding\\nRegister\" is neither a data type (Coil Status, Input Status, "
            "Holding Register, Input Register) nor a code 1 to 4."}}},
  };
  for (const auto& c : cases) {
    const TranslateCsv csv = ReadTranslateCsv(c.text);
    EXPECT_EQ(csv.refusals, c.refusals) << ::testing::PrintToString(c.text);
    if (!c.refusals.empty()) continue;
    EXPECT_EQ(csv.rows, c.rows) << ::testing::PrintToString(c.text);
    EXPECT_EQ(csv.lines, c.lines) << ::testing::PrintToString(c.text);
  }
}

TEST(ReadTranslateCsv, NamesEveryRefusedLineAndWhy) {
  const std::string text =
      kHeader +                                                // 1
      "Coils,12 ,1.2.3,x,,m\r\n" +                             // 2
      "5,1,1.2.3.4,1,1\r\n" +                                  // 3
      "\r\n" +                                                 // 4
      kCells + ",extra\r\n" +                                  // 5
      kCells + "\r\n" +                                        // 6
      "3,1,1.2.3.4,1,1,\"caf\xE9\"\r\n" +                      // 7
      "3,\"1\r\n2\",1.2.3.4,1,1,m\r\n" +                       // 8 and 9
      "3,,,1,1,\"open\r\n" +                                  // 10
      "3," + std::string(50, '9') + ",1.2.3.4,1,1,m\r\n";       // 11
  const TranslateCsv csv = ReadTranslateCsv(text);
  const std::string six =
      " where a row has 6 (Data Type, Address RTU, Address Device TCP, Address TCP, "
      "N\xC2\xB0 Point, Mnemonic), separated by commas.";
  const std::vector<CsvRefusal> expected = {
      {2, "Data Type \"Coils\" is neither a data type (Coil Status, Input Status, Holding "
          "Register, Input Register) nor a code 1 to 4. Address RTU \"12 \" is not a number. "
          "Address Device TCP \"1.2.3\" is not an IPv4 address such as 192.168.1.125. "
          "Address TCP \"x\" is not a number. N\xC2\xB0 Point is empty."},
      {3, "It has 5 cells" + six},
      {5, "It has 7 cells" + six},
      {7, "It is not UTF-8 text; save the file as CSV in UTF-8."},
      {8, "Address RTU \"1\\r\\n2\" is not a number."},
      {10, "A quoted cell has no closing quote."},
      {11, "Address RTU \"" + std::string(40, '9') + "...\" is not a number."},
  };
  EXPECT_EQ(csv.refusals, expected);
  EXPECT_EQ(csv.lines, std::vector<int>{6});
}

TEST(ReadTranslateCsv, RefusesMoreThan1400DataLinesAndUtf16) {
  std::string text = kBom + kHeader;
  for (int i = 0; i < 1400; ++i) text += kCells + "\r\n";
  EXPECT_TRUE(ReadTranslateCsv(text).refusals.empty());
  EXPECT_EQ(ReadTranslateCsv(text).rows.size(), 1400u);
  text += "\r\n" + kCells + "\r\n" + kCells + "\r\n";
  const TranslateCsv csv = ReadTranslateCsv(text);
  EXPECT_EQ(csv.refusals, (std::vector<CsvRefusal>{
                              {1403, "A table holds at most 1400 rows; this is data line 1401."}}));

}

// A spreadsheet's "Unicode text": UTF-16 with its mark, tab-separated, CRLF.
TEST(ReadTranslateCsv, ReadsUtf16WithItsMarkAndNamesItWithout) {
  auto utf16 = [](std::u16string_view text, bool little) {
    std::string bytes;
    for (char16_t c : text) {
      const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
      bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
  };
  const std::u16string row = u"Holding Register\t1\t10.0.0.5\t0\t2\tT\u00e9st \U0001F600\r\n";
  for (bool little : {true, false}) {
    const TranslateCsv csv = ReadTranslateCsv(utf16(u"\uFEFF", little) + utf16(row, little));
    ASSERT_TRUE(csv.refusals.empty()) << csv.refusals[0].reason;
    ASSERT_EQ(csv.rows.size(), 1u);
    EXPECT_EQ(csv.rows[0][5], "T\xC3\xA9st \xF0\x9F\x98\x80");
  }
  const CsvRefusal once{1, "The file is UTF-16 text without a byte order mark; save it as CSV in "
                           "UTF-8, or as Unicode text."};
  EXPECT_EQ(ReadTranslateCsv(utf16(row + row, true)).refusals, std::vector<CsvRefusal>{once});
  EXPECT_EQ(ReadTranslateCsv(utf16(row, false)).refusals, std::vector<CsvRefusal>{once});
  EXPECT_EQ(ReadTranslateCsv(std::string_view("\xFF\xFE" "D\0\0\xD8", 6)).refusals,
            (std::vector<CsvRefusal>{
                {1, "The file is UTF-16 text that does not decode; save it as CSV in UTF-8."}}));
}

TEST(Mnemonic, FormulasAreGuardedOnExportAndRoundTripExactly) {
  // Formula texts spreadsheets evaluate, and texts that only look near them.
  const struct {
    std::string mnemonic, exported;
  } cases[] = {
      {"=1+1", "'=1+1"},
      {"+A1", "'+A1"},
      {"-2", "'-2"},
      {"@SUM(A1:A2)", "'@SUM(A1:A2)"},
      {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
      {"\tcmd", "'\tcmd"},
      {"\rx", "\"'\rx\""},
      {"'=x", "''=x"},
      {"''-x", "'''-x"},
      {"'quoted", "'quoted"},
      {"a=b", "a=b"},
      {"'", "'"},
      {"", ""},
  };
  for (const auto& c : cases) {
    TranslateCells row = {"Coil Status", "1", "1.2.3.4", "1", "1", c.mnemonic};
    const std::string csv = WriteTranslateCsv({row});
    const std::string line = csv.substr(csv.find('\n') + 1);
    EXPECT_EQ(line, "Coil Status,1,1.2.3.4,1,1," + c.exported + "\r\n") << c.mnemonic;
    const TranslateCsv read = ReadTranslateCsv(csv);
    ASSERT_EQ(read.rows.size(), 1u) << c.mnemonic;
    EXPECT_EQ(read.rows[0][5], c.mnemonic);
    EXPECT_EQ(WriteTranslateCsv(read.rows), csv);
  }
}

}  // namespace
}  // namespace fabrion
