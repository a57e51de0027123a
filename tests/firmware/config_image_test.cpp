#include "firmware/config_image.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

using test::FakeClock;
using test::TempFolder;
using test::WriteFileBytes;

std::string Row(const std::string& attributes) { return "<row " + attributes + "/>"; }

const std::string kRow1 =
    Row(R"(DATA_TYPE="3" RTU_ADDRESS="40001" TCP_ADD_DEV_1="192" TCP_ADD_DEV_2="168" )"
        R"(TCP_ADD_DEV_3="1" TCP_ADD_DEV_4="125" TCP_ADDRESS="$1234" N_POINT="10" MNEMONIC="Pump")");
const std::string kRow2 =
    Row(R"(DATA_TYPE="1" RTU_ADDRESS="-1" TCP_ADD_DEV_1="10" TCP_ADD_DEV_2="0" )"
        R"(TCP_ADD_DEV_3="0" TCP_ADD_DEV_4="-1" TCP_ADDRESS=" 7" N_POINT="0x20" MNEMONIC="")");

std::string Table(const std::string& rows) {
  return "<TCP_MASTER_TO_RTU_SLAVE>" + rows + "</TCP_MASTER_TO_RTU_SLAVE>";
}

struct Element {
  std::string name, content;
};

std::vector<Element> DefaultElements() {
  return {{"TCP_IP1", "192"},   {"TCP_IP2", "168"},        {"TCP_IP3", "1"},
          {"TCP_IP4", "200"},   {"TCP_SUB1", "255"},       {"TCP_SUB2", "255"},
          {"TCP_SUB3", "255"},  {"TCP_SUB4", "0"},         {"TCP_GAT1", "192"},
          {"TCP_GAT2", "168"},  {"TCP_GAT3", "1"},         {"TCP_GAT4", "254"},
          {"TCP_PORT", "502"},  {"SNMP_PUBLIC", "kombri"}, {"SNMP_PRIVATE", "drevant"},
          {"BAUD", "3"},        {"PARITY", "2"},           {"TIME_OUT", "70000"},
          {"OFFSET", "-1"},     {"MODE", "1"},             {"ADDRESS_RTU", "17"}};
}

std::string Pargen(const std::vector<Element>& elements) {
  std::string xml = "<General_Parameter>";
  for (const auto& e : elements) xml += "<" + e.name + ">" + e.content + "</" + e.name + ">";
  return xml + "</General_Parameter>";
}

std::vector<Element> With(std::string name, std::string content) {
  auto elements = DefaultElements();
  for (auto& e : elements)
    if (e.name == name) e.content = content;
  return elements;
}

std::vector<Element> Without(const std::string& name) {
  auto elements = DefaultElements();
  std::erase_if(elements, [&](const Element& e) { return e.name == name; });
  return elements;
}

// The image of kRow1, kRow2 and DefaultElements, built at 13:45:59 on
// 31 December 2009, written out byte by byte.
ConfigImage ExpectedImage() {
  ConfigImage image{};
  const std::vector<std::uint8_t> row1 = {3, 0x41, 0x9C, 0xC0, 0xA8, 0x01, 0x7D, 0x34, 0x12, 10};
  const std::vector<std::uint8_t> row2 = {1, 0xFF, 0xFF, 10, 0, 0, 0xFF, 7, 0, 0x20};
  std::copy(row1.begin(), row1.end(), image.begin());
  std::copy(row2.begin(), row2.end(), image.begin() + 10);
  const std::vector<std::uint8_t> general = {
      192, 168, 1, 200, 255, 255, 255, 0, 192, 168, 1, 254,  // IP, mask, gateway
      0xF6, 0x01,                                            // TCP_PORT 502
      'k', 'o', 'm', 'b', 'r', 'i', 0, 0, 0, 0, 0, 0, 0, 0,  // SNMP_PUBLIC
      'd', 'r', 'e', 'v', 'a', 'n', 't', 0, 0, 0, 0, 0, 0, 0,
      3, 2,                                                  // BAUD, PARITY
      0x70, 0x11,                                            // TIME_OUT 70000 as 4464
      0xFF, 0xFF,                                            // OFFSET -1
      1,                                                     // MODE
      0xAD, 0xED,                                            // BuildTime 13:45:59
      0x09, 0xFE,                                            // BuildDate 31 Dec 2009
      17};                                                   // ADDRESS_RTU
  EXPECT_EQ(general.size(), 54u);
  std::copy(general.begin(), general.end(), image.begin() + 15000);
  return image;
}

// The expected image with every byte from offset on zero.
ConfigImage ExpectedUpTo(std::size_t offset) {
  ConfigImage image = ExpectedImage();
  std::fill(image.begin() + static_cast<long>(offset), image.end(), 0);
  return image;
}

// First differing offset, for readable failures.
std::string FirstDifference(const ConfigImage& a, const ConfigImage& b) {
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i])
      return "offset " + std::to_string(i) + ": " + std::to_string(a[i]) + " != " +
             std::to_string(b[i]);
  return "none";
}

class ConfigImageBuild : public ::testing::Test {
 protected:
  ConfigImageBuild() { clock.now = {2009, 12, 31, 13, 45, 59}; }

  void Write(const std::optional<std::string>& var, const std::optional<std::string>& pargen) {
    if (var) WriteFileBytes(folder / "var.xml", *var);
    if (pargen) WriteFileBytes(folder / "pargen.xml", *pargen);
  }

  BuildOutcome Build() {
    image.fill(0xAA);  // the build must clear what an earlier build left
    return BuildConfigImage(folder.str(), clock, image);
  }

  TempFolder folder;
  FakeClock clock;
  ConfigImage image{};
};

// --- complete builds -------------------------------------------------------

TEST_F(ConfigImageBuild, CompleteProjectGivesEveryFieldAtItsOffset) {
  Write(Table(kRow1 + kRow2), Pargen(DefaultElements()));
  const BuildOutcome outcome = Build();
  EXPECT_TRUE(outcome.complete) << outcome.reason;
  EXPECT_EQ(outcome.reason, "");
  EXPECT_EQ(image, ExpectedImage()) << FirstDifference(image, ExpectedImage());
}

TEST_F(ConfigImageBuild, RowsAreChildNodesByIndexWhateverTheirName) {
  std::string renamed = kRow2;
  renamed.replace(1, 3, "entry");
  Write("<?xml version=\"1.0\"?><ANY_ROOT>" + kRow1 + renamed + "</ANY_ROOT>",
        Pargen(DefaultElements()));
  EXPECT_TRUE(Build().complete);
  EXPECT_EQ(image, ExpectedImage()) << FirstDifference(image, ExpectedImage());
}

TEST_F(ConfigImageBuild, CommentsAndStrayTextBetweenRowsAreNoRows) {
  // The Translate Table dialog shows these two rows; the image must hold the same.
  Write(Table("<!-- pumps -->" + kRow1 + "stray<?note x?>" + kRow2 + "<![CDATA[ ]]>"),
        Pargen(DefaultElements()));
  const BuildOutcome outcome = Build();
  EXPECT_TRUE(outcome.complete) << outcome.reason;
  EXPECT_EQ(image, ExpectedImage()) << FirstDifference(image, ExpectedImage());
}

TEST_F(ConfigImageBuild, IndentedDocumentsReadTheSame) {
  Write("\xEF\xBB\xBF<TCP_MASTER_TO_RTU_SLAVE>\r\n  " + kRow1 + "\r\n\t" + kRow2 +
            "\r\n</TCP_MASTER_TO_RTU_SLAVE>\r\n",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + Pargen(DefaultElements()) + "\n");
  const BuildOutcome outcome = Build();
  EXPECT_TRUE(outcome.complete) << outcome.reason;
  EXPECT_EQ(image, ExpectedImage()) << FirstDifference(image, ExpectedImage());
}

TEST_F(ConfigImageBuild, EmptyTableGivesZeroTranslateAreaAndCompleteGeneralBlock) {
  for (const char* table : {"<TCP_MASTER_TO_RTU_SLAVE/>", "<TCP_MASTER_TO_RTU_SLAVE> \r\n</TCP_MASTER_TO_RTU_SLAVE>"}) {
    Write(std::string(table), Pargen(DefaultElements()));
    const BuildOutcome outcome = Build();
    EXPECT_TRUE(outcome.complete) << table << ": " << outcome.reason;
    ConfigImage expected = ExpectedImage();
    std::fill(expected.begin(), expected.begin() + 14000, 0);
    EXPECT_EQ(image, expected) << table << ": " << FirstDifference(image, expected);
  }
}

TEST_F(ConfigImageBuild, RowsAfterThe1400thAreIgnored) {
  std::string rows;
  for (int i = 0; i < 1400; ++i) rows += kRow1;
  rows += Row("");  // would fail if it were read
  Write(Table(rows), Pargen(DefaultElements()));
  EXPECT_TRUE(Build().complete);
  for (std::size_t i = 0; i < 1400; ++i)
    ASSERT_EQ(image[i * 10 + 9], 10) << "row " << i;
  EXPECT_EQ(image[13999], 10);
  EXPECT_EQ(image[14000], 0);
}

TEST_F(ConfigImageBuild, AddressRtuFallsBackToOneWithoutFailing) {
  for (const auto& elements : {Without("ADDRESS_RTU"), With("ADDRESS_RTU", "seventeen"),
                               With("ADDRESS_RTU", "<x/>")}) {
    Write(Table(kRow1 + kRow2), Pargen(elements));
    const BuildOutcome outcome = Build();
    EXPECT_TRUE(outcome.complete) << outcome.reason;
    ConfigImage expected = ExpectedImage();
    expected[15053] = 1;
    EXPECT_EQ(image, expected) << Pargen(elements) << "\n" << FirstDifference(image, expected);
  }
}

TEST_F(ConfigImageBuild, EmptyCommunityNameGivesZeroField) {
  Write(Table(kRow1 + kRow2), Pargen(With("SNMP_PUBLIC", "")));
  EXPECT_TRUE(Build().complete);
  ConfigImage expected = ExpectedImage();
  std::fill(expected.begin() + 15014, expected.begin() + 15028, 0);
  EXPECT_EQ(image, expected) << FirstDifference(image, expected);
}

TEST_F(ConfigImageBuild, CdataIsASingleText) {
  Write(Table(kRow1 + kRow2), Pargen(With("MODE", "<![CDATA[1]]>")));
  EXPECT_TRUE(Build().complete);
  EXPECT_EQ(image, ExpectedImage());
}

// --- the guard: the first failure ends the build ----------------------------

struct GuardCase {
  const char* name;
  std::optional<std::string> var;
  std::optional<std::string> pargen;
  std::size_t keptUpTo;  // bytes of the complete image that stay; the rest is zero
  std::string reason;    // after "The configuration image is incomplete: "
};

void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

class ConfigImageGuard : public ConfigImageBuild,
                         public ::testing::WithParamInterface<GuardCase> {};

TEST_P(ConfigImageGuard, KeepsWhatWasStoredAndNamesTheFailure) {
  const GuardCase& c = GetParam();
  Write(c.var, c.pargen);
  const BuildOutcome outcome = Build();
  EXPECT_FALSE(outcome.complete);
  std::string reason = c.reason;
  for (const char* doc : {"var.xml", "pargen.xml"}) {
    const std::string marker = std::string("{") + doc + "}";
    if (auto at = reason.find(marker); at != std::string::npos)
      reason.replace(at, marker.size(), "\"" + (folder / doc) + "\"");
  }
  EXPECT_EQ(outcome.reason, "The configuration image is incomplete: " + reason);
  const ConfigImage expected = ExpectedUpTo(c.keptUpTo);
  EXPECT_EQ(image, expected) << FirstDifference(image, expected);
}

const std::string kFullTable = Table(kRow1 + kRow2);
const std::string kFullPargen = Pargen(DefaultElements());

INSTANTIATE_TEST_SUITE_P(
    Failures, ConfigImageGuard,
    ::testing::Values(
        GuardCase{"VarMissing", std::nullopt, kFullPargen, 0,
                  "Cannot open file {var.xml}. No such file or directory"},
        GuardCase{"VarNotWellFormed", std::string("<TCP_MASTER_TO_RTU_SLAVE><row>"), kFullPargen,
                  0, "{var.xml} is not well-formed: Start-end tags mismatch\nLine: 1\n"
                  "<TCP_MASTER_TO_RTU_SLAVE><row>"},
        GuardCase{"VarEmptyFile", std::string(""), kFullPargen, 0,
                  "{var.xml} is not well-formed: No document element found\nLine: 1\n"},
        GuardCase{"RowLacksNPoint",
                  Table(kRow1 + Row(R"(DATA_TYPE="1" RTU_ADDRESS="-1" TCP_ADD_DEV_1="10" )"
                                    R"(TCP_ADD_DEV_2="0" TCP_ADD_DEV_3="0" TCP_ADD_DEV_4="-1" )"
                                    R"(TCP_ADDRESS=" 7")")),
                  kFullPargen, 19, "var.xml, row 2: attribute N_POINT is missing"},
        GuardCase{"RowValueWithTrailingBlank",
                  Table(kRow1 + Row(R"(DATA_TYPE="1" RTU_ADDRESS="65535 ")")), kFullPargen, 11,
                  "var.xml, row 2: attribute RTU_ADDRESS \"65535 \" is no integer"},
        GuardCase{"PargenMissing", kFullTable, std::nullopt, 14000,
                  "Cannot open file {pargen.xml}. No such file or directory"},
        GuardCase{"PargenOtherRoot", kFullTable, std::string("<Parameters><MODE>1</MODE></Parameters>"),
                  14000, "pargen.xml: element General_Parameter is missing"},
        GuardCase{"FirstElementMissing", kFullTable, Pargen(Without("TCP_IP1")), 14000,
                  "pargen.xml: element TCP_IP1 is missing"},
        GuardCase{"PortNoInteger", kFullTable, Pargen(With("TCP_PORT", "502a")), 15012,
                  "pargen.xml: element TCP_PORT \"502a\" is no integer"},
        GuardCase{"SnmpPublicMissing", kFullTable, Pargen(Without("SNMP_PUBLIC")), 15014,
                  "pargen.xml: element SNMP_PUBLIC is missing"},
        GuardCase{"SnmpPrivateWithChild", kFullTable, Pargen(With("SNMP_PRIVATE", "a<b/>")), 15028,
                  "pargen.xml: element SNMP_PRIVATE holds more than a text"},
        GuardCase{"TimeOutEmpty", kFullTable, Pargen(With("TIME_OUT", "")), 15044,
                  "pargen.xml: element TIME_OUT \"\" is no integer"},
        GuardCase{"ModeNoNumber", kFullTable, Pargen(With("MODE", "NAT")), 15048,
                  "pargen.xml: element MODE \"NAT\" is no integer"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConfigImageBuild, UnreadableDocumentIsAFailure) {
  Write(kFullTable, kFullPargen);
  std::filesystem::remove(folder / "var.xml");
  std::filesystem::create_directory(folder / "var.xml");
  const BuildOutcome outcome = Build();
  EXPECT_FALSE(outcome.complete);
  EXPECT_EQ(outcome.reason, "The configuration image is incomplete: Cannot open file \"" +
                                (folder / "var.xml") + "\". Is a directory");
  EXPECT_EQ(image, ConfigImage{});
}

// --- packed words and names -------------------------------------------------

TEST(BuildTimeWord, PacksHalvedSecondsHighAndHoursLow) {
  EXPECT_EQ(PackBuildTime({2026, 1, 1, 13, 45, 59}), 0xEDAD);
  EXPECT_EQ(PackBuildTime({2026, 1, 1, 13, 45, 58}), 0xEDAD);
  EXPECT_EQ(PackBuildTime({2026, 1, 1, 0, 0, 0}), 0x0000);
  EXPECT_EQ(PackBuildTime({2026, 1, 1, 23, 59, 1}), 0x0777);
}

TEST(BuildDateWord, PacksDayMonthAndYearModulo100) {
  EXPECT_EQ(PackBuildDate({2009, 12, 31, 0, 0, 0}), 0xFE09);
  EXPECT_EQ(PackBuildDate({2000, 1, 1, 0, 0, 0}), 0x0880);
  EXPECT_EQ(PackBuildDate({2099, 1, 1, 0, 0, 0}), 0x08E3);
}

struct NameCase {
  std::string utf8;
  std::string bytes;  // the 14 bytes of the field
};

class CommunityNameField : public ::testing::TestWithParam<NameCase> {};

TEST_P(CommunityNameField, HoldsAtMost13BytesAndAZero) {
  const CommunityName field = CopyCommunityName(GetParam().utf8);
  EXPECT_EQ(std::string(field.begin(), field.end()), GetParam().bytes) << GetParam().utf8;
}

INSTANTIATE_TEST_SUITE_P(
    Names, CommunityNameField,
    ::testing::Values(NameCase{"", std::string(14, '\0')},
                      NameCase{"public", std::string("public") + std::string(8, '\0')},
                      NameCase{"thirteenchars", std::string("thirteenchars") + '\0'},
                      NameCase{"twenty-characters-xy", std::string("twenty-charac") + '\0'},
                      NameCase{"caf\xC3\xA9 \xE2\x82\xAC", std::string("caf\xE9 \x80") + std::string(8, '\0')},
                      NameCase{"\xC4\x80 \xE6\x97\xA5", std::string("? ?") + std::string(11, '\0')},
                      NameCase{"bad\xFFutf8\xC3", std::string("bad?utf8?") + std::string(5, '\0')},
                      NameCase{"\xF0\x9F\x98\x80" "ok", std::string("?ok") + std::string(11, '\0')}));

// --- bank1.bin ---------------------------------------------------------------

TEST(BankBinary, WritesAllImageBytes) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "bin");
  ConfigImage image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  WriteBankBinary(folder.str(), image);
  const std::string bytes = test::ReadFileBytes(folder / "bin/bank1.bin");
  EXPECT_EQ(bytes, std::string(image.begin(), image.end()));
}

TEST(BankBinary, ThrowsWhenTheBinFolderIsMissing) {
  TempFolder folder;
  try {
    WriteBankBinary(folder.str(), ConfigImage{});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + (folder / "bin/bank1.bin") + "\". No such file or directory");
  }
}

TEST(BankBinary, ReadOnlyFileIsKeptAndReported) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "bin");
  WriteFileBytes(folder / "bin/bank1.bin", "stale");
  test::MakeReadOnly(folder / "bin/bank1.bin");
  EXPECT_THROW(WriteBankBinary(folder.str(), ConfigImage{}), Error);
  EXPECT_EQ(test::ReadFileBytes(folder / "bin/bank1.bin"), "stale");
}

}  // namespace
}  // namespace fabrion
