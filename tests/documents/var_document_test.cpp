#include "documents/var_document.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_open.h"

#include "documents/xml_parse_error.h"
#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

TMyRec Rec(std::uint8_t type, std::uint16_t rtu, std::array<std::uint8_t, 4> ip, std::uint16_t tcp,
           std::uint8_t points, std::string mnemonic) {
  return TMyRec{type, rtu, ip, tcp, points, std::move(mnemonic)};
}

std::vector<std::string> TextsOf(const TMyRec& r) {
  return {std::to_string(r.DataType),    std::to_string(r.RtuAddress),
          std::to_string(r.DeviceIp[0]), std::to_string(r.DeviceIp[1]),
          std::to_string(r.DeviceIp[2]), std::to_string(r.DeviceIp[3]),
          std::to_string(r.TcpAddress),  std::to_string(r.PointCount),
          r.Mnemonic};
}

std::string Row(const std::string& attributes) { return "<row " + attributes + "/>"; }

const std::string kFullRow =
    "DATA_TYPE=\"3\" RTU_ADDRESS=\"10\" TCP_ADD_DEV_1=\"192\" TCP_ADD_DEV_2=\"168\" "
    "TCP_ADD_DEV_3=\"1\" TCP_ADD_DEV_4=\"125\" TCP_ADDRESS=\"20\" N_POINT=\"8\" MNEMONIC=\"m\"";
const std::vector<std::string> kFullRowTexts = {"3", "10", "192", "168", "1", "125", "20", "8", "m"};

// --- writing ------------------------------------------------------------

TEST(VarWriter, EmptyTableIsTheRootAlone) {
  EXPECT_EQ(TranslateTableXml({}), "<TCP_MASTER_TO_RTU_SLAVE/>");
  test::TempFolder folder;
  const std::string path = folder / "var.xml";
  test::WriteFileBytes(path, "<TCP_MASTER_TO_RTU_SLAVE><row/></TCP_MASTER_TO_RTU_SLAVE>");
  WriteEmptyTable(path);
  EXPECT_EQ(test::ReadFileBytes(path), "<TCP_MASTER_TO_RTU_SLAVE/>");
  EXPECT_TRUE(ReadTable(path).empty());
}

TEST(VarWriter, RowsInOrderWithNineAttributesInPlainDecimal) {
  const std::vector<TMyRec> rows = {
      Rec(3, 7, {192, 168, 1, 125}, 0, 126, "Pump <1> & \"2\" 'x'"),
      Rec(1, 65535, {0, 0, 0, 0}, 65535, 0, ""),
      Rec(4, 0, {255, 255, 255, 255}, 1, 1, "tab\there\r\nline \xC3\xA9t\xC3\xA9"),
  };
  EXPECT_EQ(TranslateTableXml(rows),
            "<TCP_MASTER_TO_RTU_SLAVE>"
            "<row DATA_TYPE=\"3\" RTU_ADDRESS=\"7\" TCP_ADD_DEV_1=\"192\" TCP_ADD_DEV_2=\"168\" "
            "TCP_ADD_DEV_3=\"1\" TCP_ADD_DEV_4=\"125\" TCP_ADDRESS=\"0\" N_POINT=\"126\" "
            "MNEMONIC=\"Pump &lt;1> &amp; &quot;2&quot; 'x'\"/>"
            "<row DATA_TYPE=\"1\" RTU_ADDRESS=\"65535\" TCP_ADD_DEV_1=\"0\" TCP_ADD_DEV_2=\"0\" "
            "TCP_ADD_DEV_3=\"0\" TCP_ADD_DEV_4=\"0\" TCP_ADDRESS=\"65535\" N_POINT=\"0\" "
            "MNEMONIC=\"\"/>"
            "<row DATA_TYPE=\"4\" RTU_ADDRESS=\"0\" TCP_ADD_DEV_1=\"255\" TCP_ADD_DEV_2=\"255\" "
            "TCP_ADD_DEV_3=\"255\" TCP_ADD_DEV_4=\"255\" TCP_ADDRESS=\"1\" N_POINT=\"1\" "
            "MNEMONIC=\"tab&#09;here&#13;&#10;line \xC3\xA9t\xC3\xA9\"/>"
            "</TCP_MASTER_TO_RTU_SLAVE>");
}

TEST(VarWriter, ReadOnlyFileFailsWithTheSystemTextAndIsKept) {
  test::TempFolder folder;
  const std::string path = folder / "var.xml";
  WriteTable(path, {Rec(1, 1, {1, 2, 3, 4}, 1, 1, "old")});
  const std::string before = test::ReadFileBytes(path);
  test::MakeReadOnly(path);
  try {
    WriteEmptyTable(path);
    FAIL() << "wrote a read-only file";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + path + "\". Permission denied");
  }
  EXPECT_EQ(test::ReadFileBytes(path), before);
}

TEST(VarWriter, MissingFolderFailsWithTheSystemText) {
  test::TempFolder folder;
  const std::string path = folder / "gone" + "/var.xml";
  try {
    WriteEmptyTable(path);
    FAIL() << "wrote into a missing folder";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + path + "\". No such file or directory");
  }
}

TEST(VarWriter, RefusesADocumentPastTheLimitItIsReadWith) {
  test::TempFolder folder;
  const std::string path = folder / "var.xml";
  TMyRec row{};
  row.Mnemonic.assign(kMaxDocumentBytes, 'x');
  EXPECT_THROW(WriteTable(path, {row}), Error);
  EXPECT_FALSE(std::filesystem::exists(path));
}

// --- reading ------------------------------------------------------------

TEST(VarReader, MissingFileIsAnEmptyTable) {
  test::TempFolder folder;
  EXPECT_TRUE(ReadTable(folder / "var.xml").empty());
}

TEST(VarReader, FullTableReadsBackInOrderWithTheSameValues) {
  std::vector<TMyRec> rows;
  for (int i = 0; i < kMaxTranslateRows; ++i)
    rows.push_back(Rec(std::uint8_t(1 + i % 4), std::uint16_t(i * 47), {std::uint8_t(i), 168, 1, std::uint8_t(255 - i % 256)},
                       std::uint16_t(65535 - i), std::uint8_t(i % 127),
                       i % 3 ? "Row " + std::to_string(i) + " <&\">\t\n\xE2\x82\xAC" : ""));
  test::TempFolder folder;
  const std::string path = folder / "var.xml";
  WriteTable(path, rows);
  const std::vector<RowTexts> read = ReadTable(path);
  ASSERT_EQ(read.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(read[i].values, TextsOf(rows[i])) << "row " << i + 1;
}

TEST(VarReader, RowsAfterThe1400thAreIgnored) {
  for (int count : {1399, 1400, 1401, 2000}) {
    std::string xml = "<TCP_MASTER_TO_RTU_SLAVE>";
    for (int i = 0; i < count; ++i)
      xml += "<row DATA_TYPE=\"1\" RTU_ADDRESS=\"" + std::to_string(i) +
             "\" TCP_ADD_DEV_1=\"1\" TCP_ADD_DEV_2=\"2\" TCP_ADD_DEV_3=\"3\" TCP_ADD_DEV_4=\"4\" "
             "TCP_ADDRESS=\"5\" N_POINT=\"6\" MNEMONIC=\"\"/>";
    xml += "</TCP_MASTER_TO_RTU_SLAVE>";
    const std::vector<RowTexts> rows = ParseTable(xml);
    ASSERT_EQ(rows.size(), std::size_t(std::min(count, 1400))) << count;
    EXPECT_EQ(rows.back().values[1], std::to_string(std::min(count, 1400) - 1));
  }
}

TEST(VarReader, FirstMissingAttributeEndsTheReading) {
  struct Case {
    std::string lacking;
    std::size_t textsKept;
  };
  const Case cases[] = {{"DATA_TYPE", 0}, {"RTU_ADDRESS", 1}, {"TCP_ADD_DEV_4", 5},
                        {"TCP_ADDRESS", 6}, {"N_POINT", 7},   {"MNEMONIC", 8}};
  for (const Case& c : cases) {
    std::string partial = kFullRow;
    const std::size_t at = partial.find(c.lacking + "=");
    partial.erase(at, partial.find('"', partial.find('"', at) + 1) + 1 - at);
    const std::vector<RowTexts> rows = ParseTable("<T>" + Row(kFullRow) + Row(partial) + Row(kFullRow) + "</T>");
    ASSERT_EQ(rows.size(), 2u) << c.lacking;
    EXPECT_TRUE(rows[0].complete());
    EXPECT_FALSE(rows[1].complete());
    EXPECT_EQ(rows[1].values, std::vector<std::string>(kFullRowTexts.begin(), kFullRowTexts.begin() + c.textsKept))
        << c.lacking;
  }
}

TEST(VarReader, TextsArePassedOnUnconvertedAndUntrimmed) {
  const std::vector<RowTexts> rows = ParseTable(
      "<TCP_MASTER_TO_RTU_SLAVE><row MNEMONIC=\" a&#10;b \" N_POINT=\"x\" TCP_ADDRESS=\"-1\" "
      "TCP_ADD_DEV_4=\"$FF\" TCP_ADD_DEV_3=\"\" TCP_ADD_DEV_2=\" 007\" TCP_ADD_DEV_1=\"256\" "
      "RTU_ADDRESS=\"99999\" DATA_TYPE=\"7\" EXTRA=\"e\"/></TCP_MASTER_TO_RTU_SLAVE>");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].values,
            (std::vector<std::string>{"7", "99999", "256", " 007", "", "$FF", "-1", "x", " a\nb "}));
}

TEST(VarReader, FilesOfOtherWritersReadTheSame) {
  const std::vector<RowTexts> plain = ParseTable("<TCP_MASTER_TO_RTU_SLAVE>" + Row(kFullRow) + Row(kFullRow) +
                                                 "</TCP_MASTER_TO_RTU_SLAVE>");
  ASSERT_EQ(plain.size(), 2u);
  const std::string variants[] = {
      "<?xml version=\"1.0\"?><TCP_MASTER_TO_RTU_SLAVE>" + Row(kFullRow) + Row(kFullRow) + "</TCP_MASTER_TO_RTU_SLAVE>",
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TCP_MASTER_TO_RTU_SLAVE>\r\n  " + Row(kFullRow) +
          "\r\n  " + Row(kFullRow) + "\r\n</TCP_MASTER_TO_RTU_SLAVE>\r\n",
      "<TCP_MASTER_TO_RTU_SLAVE>\n\t<!-- first -->\n\t" + Row(kFullRow) + "<?pi x?>stray text" + Row(kFullRow) +
          "<!-- end --></TCP_MASTER_TO_RTU_SLAVE>",
      "<table><other " + kFullRow + "></other><row " + kFullRow + "><child/>text</row></table>",
  };
  for (const std::string& xml : variants) {
    const std::vector<RowTexts> rows = ParseTable(xml);
    ASSERT_EQ(rows.size(), plain.size()) << xml;
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].values, plain[i].values) << xml;
  }
}

TEST(VarReader, RootWithoutRowsIsAnEmptyTable) {
  for (const std::string xml : {"<TCP_MASTER_TO_RTU_SLAVE/>", "<TCP_MASTER_TO_RTU_SLAVE>\r\n</TCP_MASTER_TO_RTU_SLAVE>",
                                "<TCP_MASTER_TO_RTU_SLAVE><!--none--></TCP_MASTER_TO_RTU_SLAVE>"})
    EXPECT_TRUE(ParseTable(xml).empty()) << xml;
}

TEST(VarReader, MalformedFileThrowsTheParsersReport) {
  test::TempFolder folder;
  const std::string path = folder / "var.xml";
  test::WriteFileBytes(path, "<TCP_MASTER_TO_RTU_SLAVE>\n<row DATA_TYPE=1/>\n</TCP_MASTER_TO_RTU_SLAVE>");
  try {
    ReadTable(path);
    FAIL() << "read a malformed file";
  } catch (const DocumentParseError& error) {
    EXPECT_EQ(std::string(error.what()), "Error parsing element attribute\nLine: 2\n<row DATA_TYPE=1/>");
  }
}

}  // namespace
}  // namespace fabrion
