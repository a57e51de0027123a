#include "documents/pargen_document.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "documents/xml_parse_error.h"
#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

using Elements = std::vector<std::pair<std::string, std::string>>;

// A General_Parameter document holding the given elements, in that order.
std::string Document(const Elements& elements, const std::string& root = "General_Parameter") {
  std::string xml = "<" + root + ">";
  for (const auto& [name, content] : elements) xml += "<" + name + ">" + content + "</" + name + ">";
  return xml + "</" + root + ">";
}

GeneralParameters With(const Elements& elements) { return ParseGeneralParameters(Document(elements)); }

const std::string kDefaultDocument =
    "<General_Parameter><TCP_IP1>0</TCP_IP1><TCP_IP2>0</TCP_IP2><TCP_IP3>0</TCP_IP3>"
    "<TCP_IP4>0</TCP_IP4><TCP_SUB1>255</TCP_SUB1><TCP_SUB2>255</TCP_SUB2>"
    "<TCP_SUB3>255</TCP_SUB3><TCP_SUB4>0</TCP_SUB4><TCP_GAT1>0</TCP_GAT1>"
    "<TCP_GAT2>0</TCP_GAT2><TCP_GAT3>0</TCP_GAT3><TCP_GAT4>0</TCP_GAT4>"
    "<TCP_PORT>502</TCP_PORT><SNMP_PUBLIC>kombri</SNMP_PUBLIC>"
    "<SNMP_PRIVATE>drevant</SNMP_PRIVATE><BAUD>3</BAUD><PARITY>0</PARITY>"
    "<TIME_OUT>1000</TIME_OUT><OFFSET>0</OFFSET><MODE>1</MODE><ADDRESS_RTU>1</ADDRESS_RTU>"
    "</General_Parameter>";

// --- writing ------------------------------------------------------------

TEST(PargenWriter, DefaultDocumentBytes) {
  EXPECT_EQ(GeneralParametersXml(GeneralParameters{}), kDefaultDocument);
}

TEST(PargenWriter, EveryValueInItsTextForm) {
  GeneralParameters v;
  v.ip = {"192", " 168", "$0A", "007"};
  v.subnet = {"255", "255", "0x0", "0"};
  v.gateway = {"10", "0", "0", "1"};
  v.tcpPort = 1502;
  v.snmpPublic = "";
  v.snmpPrivate = "a<b&c>\"d'";
  v.baudIndex = 7;
  v.parityIndex = 1;
  v.timeOut = "$3E8";
  v.offset = " 12";
  v.natMode = false;
  v.addressRtu = 247;
  EXPECT_EQ(GeneralParametersXml(v),
            "<General_Parameter><TCP_IP1>192</TCP_IP1><TCP_IP2> 168</TCP_IP2>"
            "<TCP_IP3>$0A</TCP_IP3><TCP_IP4>007</TCP_IP4><TCP_SUB1>255</TCP_SUB1>"
            "<TCP_SUB2>255</TCP_SUB2><TCP_SUB3>0x0</TCP_SUB3><TCP_SUB4>0</TCP_SUB4>"
            "<TCP_GAT1>10</TCP_GAT1><TCP_GAT2>0</TCP_GAT2><TCP_GAT3>0</TCP_GAT3>"
            "<TCP_GAT4>1</TCP_GAT4><TCP_PORT>1502</TCP_PORT><SNMP_PUBLIC></SNMP_PUBLIC>"
            "<SNMP_PRIVATE>a&lt;b&amp;c&gt;\"d'</SNMP_PRIVATE><BAUD>7</BAUD><PARITY>3</PARITY>"
            "<TIME_OUT>$3E8</TIME_OUT><OFFSET> 12</OFFSET><MODE>0</MODE>"
            "<ADDRESS_RTU>247</ADDRESS_RTU></General_Parameter>");
}

TEST(PargenWriter, ParityCodesAndNoSelection) {
  struct Case {
    int parityIndex, baudIndex;
    std::string parity, baud;
  };
  const Case cases[] = {{0, 0, "0", "0"}, {1, 7, "3", "7"}, {2, -1, "2", "-1"}, {-1, 8, "0", "-1"}};
  for (const Case& c : cases) {
    GeneralParameters v;
    v.parityIndex = c.parityIndex;
    v.baudIndex = c.baudIndex;
    const std::string xml = GeneralParametersXml(v);
    EXPECT_NE(xml.find("<PARITY>" + c.parity + "</PARITY>"), std::string::npos) << c.parityIndex;
    EXPECT_NE(xml.find("<BAUD>" + c.baud + "</BAUD>"), std::string::npos) << c.baudIndex;
  }
}

TEST(PargenWriter, ReplacesTheFileWholeAndKeepsItWhenReadOnly) {
  test::TempFolder folder;
  const std::string path = folder / "pargen.xml";
  test::WriteFileBytes(path, "<?xml version=\"1.0\"?>\r\n<General_Parameter><X/></General_Parameter>");
  WriteGeneralParameters(path, GeneralParameters{});
  EXPECT_EQ(test::ReadFileBytes(path), kDefaultDocument);

  test::MakeReadOnly(path);
  GeneralParameters changed;
  changed.tcpPort = 1;
  try {
    WriteGeneralParameters(path, changed);
    FAIL() << "wrote a read-only file";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + path + "\". Permission denied");
  }
  EXPECT_EQ(test::ReadFileBytes(path), kDefaultDocument);
}

// pargen.xml stays XML 1.0: a community name pasted with a control character
// is refused, and the document as it was is kept.
TEST(PargenWriter, RefusesCommunityNamesXmlCannotHold) {
  test::TempFolder folder;
  const std::string path = folder / "pargen.xml";
  WriteGeneralParameters(path, GeneralParameters{});
  for (const bool isPublic : {true, false}) {
    GeneralParameters pasted;
    (isPublic ? pasted.snmpPublic : pasted.snmpPrivate) = "kom\x01" "bri";
    try {
      WriteGeneralParameters(path, pasted);
      ADD_FAILURE() << "wrote a control character";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()),
                "Cannot create file \"" + path + "\". " +
                    (isPublic ? "SNMP_PUBLIC" : "SNMP_PRIVATE") +
                    " holds a control character, which an XML 1.0 document cannot hold");
    }
    EXPECT_EQ(test::ReadFileBytes(path), kDefaultDocument);
  }
}

// --- the dialog's reading -----------------------------------------------

TEST(PargenReader, MissingFileGivesTheDefaults) {
  test::TempFolder folder;
  EXPECT_EQ(ReadGeneralParameters(folder / "pargen.xml"), GeneralParameters{});
}

TEST(PargenReader, ReadsWhatTheWriterWrote) {
  test::TempFolder folder;
  const std::string path = folder / "pargen.xml";
  GeneralParameters v;
  v.ip = {"$0A", " 1", "0002", "255"};
  v.subnet = {"0", "0", "0", "0"};
  v.gateway = {"1", "2", "3", "4"};
  v.tcpPort = -7;
  v.snmpPublic = "a\tb\r\nc \xC3\xA9<&>";
  v.snmpPrivate = "   ";
  v.baudIndex = -1;
  v.parityIndex = 2;
  v.timeOut = "";
  v.offset = "x";
  v.natMode = false;
  v.addressRtu = 255;
  WriteGeneralParameters(path, v);
  EXPECT_EQ(ReadGeneralParameters(path), v);
}

struct ElementCase {
  std::string element, text;
  std::function<void(GeneralParameters&)> expect;  // changes the defaults into the expectation
};

TEST(PargenReader, EachElementWithItsFallback) {
  const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
  std::string fourteenLetters;
  for (int i = 0; i < 14; ++i) fourteenLetters += "\xC3\xA9";
  const ElementCase cases[] = {
      {"TCP_IP1", " 010", [](auto& v) { v.ip[0] = " 010"; }},
      {"TCP_IP1", "", [](auto& v) { v.ip[0] = ""; }},
      {"TCP_SUB4", "abc", [](auto& v) { v.subnet[3] = "abc"; }},
      {"TCP_GAT3", "$0A", [](auto& v) { v.gateway[2] = "$0A"; }},
      {"TIME_OUT", "-1", [](auto& v) { v.timeOut = "-1"; }},
      {"OFFSET", "  7", [](auto& v) { v.offset = "  7"; }},
      {"TCP_PORT", "8080", [](auto& v) { v.tcpPort = 8080; }},
      {"TCP_PORT", "-5", [](auto& v) { v.tcpPort = -5; }},
      {"TCP_PORT", "0x10", [](auto& v) { v.tcpPort = 16; }},
      {"TCP_PORT", "70000", [](auto& v) { v.tcpPort = 70000; }},
      {"TCP_PORT", "12 ", [](auto&) {}},
      {"TCP_PORT", "", [](auto&) {}},
      {"SNMP_PUBLIC", twenty, [&](auto& v) { v.snmpPublic = twenty.substr(0, 13); }},
      {"SNMP_PUBLIC", twenty.substr(0, 13), [&](auto& v) { v.snmpPublic = twenty.substr(0, 13); }},
      {"SNMP_PUBLIC", twenty.substr(0, 14), [&](auto& v) { v.snmpPublic = twenty.substr(0, 13); }},
      {"SNMP_PRIVATE", fourteenLetters, [&](auto& v) { v.snmpPrivate = fourteenLetters.substr(0, 26); }},
      {"SNMP_PRIVATE", "", [](auto& v) { v.snmpPrivate = ""; }},
      {"BAUD", "0", [](auto& v) { v.baudIndex = 0; }},
      {"BAUD", "7", [](auto& v) { v.baudIndex = 7; }},
      {"BAUD", "8", [](auto& v) { v.baudIndex = -1; }},
      {"BAUD", "-1", [](auto& v) { v.baudIndex = -1; }},
      {"BAUD", "fast", [](auto& v) { v.baudIndex = 3; }},
      {"PARITY", "0", [](auto& v) { v.parityIndex = 0; }},
      {"PARITY", "1", [](auto& v) { v.parityIndex = 0; }},
      {"PARITY", "2", [](auto& v) { v.parityIndex = 2; }},
      {"PARITY", "3", [](auto& v) { v.parityIndex = 1; }},
      {"PARITY", "4", [](auto& v) { v.parityIndex = 0; }},
      {"PARITY", "odd", [](auto& v) { v.parityIndex = 0; }},
      {"MODE", "0", [](auto& v) { v.natMode = false; }},
      {"MODE", "$0", [](auto& v) { v.natMode = false; }},
      {"MODE", "1", [](auto& v) { v.natMode = true; }},
      {"MODE", "7", [](auto& v) { v.natMode = true; }},
      {"MODE", "0 ", [](auto& v) { v.natMode = true; }},
      {"ADDRESS_RTU", "300", [](auto& v) { v.addressRtu = 255; }},
      {"ADDRESS_RTU", "256", [](auto& v) { v.addressRtu = 255; }},
      {"ADDRESS_RTU", "255", [](auto& v) { v.addressRtu = 255; }},
      {"ADDRESS_RTU", "0", [](auto& v) { v.addressRtu = 1; }},
      {"ADDRESS_RTU", "-2147483648", [](auto& v) { v.addressRtu = 1; }},
      {"ADDRESS_RTU", "2", [](auto& v) { v.addressRtu = 2; }},
      {"ADDRESS_RTU", "none", [](auto& v) { v.addressRtu = 1; }},
  };
  for (const ElementCase& c : cases) {
    GeneralParameters expected;
    c.expect(expected);
    Elements elements = {{c.element, c.text}};
    if (c.element != "SNMP_PUBLIC") elements.push_back({"SNMP_PUBLIC", "kombri"});
    if (c.element != "SNMP_PRIVATE") elements.push_back({"SNMP_PRIVATE", "drevant"});
    EXPECT_EQ(With(elements), expected) << c.element << " = [" << c.text << "]";
  }
}

TEST(PargenReader, ContentOtherThanOneRunOfTextTakesTheFallback) {
  for (const std::string content : {"<X>1</X>", "1<!--c-->2", "<!--c-->", "8<X/>", "<?p?>1"}) {
    GeneralParameters expected;
    expected.snmpPublic = "";
    expected.snmpPrivate = "";
    const GeneralParameters read = With({{"TCP_IP1", content}, {"TCP_PORT", content},
                                         {"SNMP_PUBLIC", content}, {"SNMP_PRIVATE", content},
                                         {"BAUD", content}, {"ADDRESS_RTU", content},
                                         {"MODE", content}});
    EXPECT_EQ(read, expected) << content;
  }
  // Entities and CDATA are still one run of text.
  const GeneralParameters read = With({{"TCP_IP1", "&#36;0A"}, {"SNMP_PUBLIC", "<![CDATA[a<b]]>"}});
  EXPECT_EQ(read.ip[0], "$0A");
  EXPECT_EQ(read.snmpPublic, "a<b");
}

TEST(PargenReader, ReverseOrderReadsLikeWriteOrder) {
  GeneralParameters v;
  v.ip = {"1", "2", "3", "4"};
  v.tcpPort = 9;
  v.baudIndex = 5;
  v.parityIndex = 1;
  v.natMode = false;
  v.addressRtu = 99;
  const GeneralParameterTexts texts = ParseGeneralParameterTexts(GeneralParametersXml(v));
  Elements reversed;
  for (std::size_t i = kGeneralParameterElements.size(); i-- > 0;)
    reversed.push_back({std::string(kGeneralParameterElements[i]), *texts.texts[i]});
  EXPECT_EQ(With(reversed), v);
}

TEST(PargenReader, FirstOccurrenceCountsAndOtherNamesAreIgnored) {
  const GeneralParameters read =
      With({{"MODE", "0"}, {"mode", "1"}, {"MODE", "1"}, {"EXTRA", "x"}, {"SNMP_PUBLIC", "p"}});
  EXPECT_FALSE(read.natMode);
  EXPECT_EQ(read.snmpPublic, "p");
}

TEST(PargenReader, WrongRootGivesEveryFallback) {
  GeneralParameters expected;
  expected.snmpPublic = "";
  expected.snmpPrivate = "";
  EXPECT_EQ(ParseGeneralParameters(Document({{"MODE", "0"}, {"SNMP_PUBLIC", "p"}}, "general_parameter")),
            expected);
  EXPECT_EQ(ParseGeneralParameters("<General_Parameter/>"), expected);
  // The root is found among the top-level nodes, after a declaration and a comment.
  EXPECT_FALSE(ParseGeneralParameters("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- saved -->\r\n"
                                      "<General_Parameter>\r\n  <MODE>0</MODE>\r\n</General_Parameter>\r\n")
                   .natMode);
}

TEST(PargenReader, MalformedFileThrowsTheParsersReport) {
  test::TempFolder folder;
  const std::string path = folder / "pargen.xml";
  test::WriteFileBytes(path, "<General_Parameter>\r\n<MODE>1</MODE>\r\n<BAUD>3</MODE>\r\n");
  try {
    ReadGeneralParameters(path);
    FAIL() << "read a malformed file";
  } catch (const DocumentParseError& error) {
    EXPECT_EQ(std::string(error.what()), "Start-end tags mismatch\nLine: 3\n<BAUD>3</MODE>");
  }
}

// --- round trip ----------------------------------------------------------

TEST(PargenRoundTrip, NormalisesOnlyWhatTheDialogCannotHold) {
  const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
  const std::string read = Document({{"ADDRESS_RTU", "0"}, {"MODE", "7"}, {"PARITY", "1"},
                                     {"BAUD", "8"}, {"SNMP_PRIVATE", twenty}, {"OTHER", "x"},
                                     {"TCP_IP1", "$0A"}, {"TIME_OUT", " 0x10"},
                                     {"TCP_PORT", "0x1F6"}});
  EXPECT_EQ(GeneralParametersXml(ParseGeneralParameters(read)),
            "<General_Parameter><TCP_IP1>$0A</TCP_IP1><TCP_IP2>0</TCP_IP2><TCP_IP3>0</TCP_IP3>"
            "<TCP_IP4>0</TCP_IP4><TCP_SUB1>255</TCP_SUB1><TCP_SUB2>255</TCP_SUB2>"
            "<TCP_SUB3>255</TCP_SUB3><TCP_SUB4>0</TCP_SUB4><TCP_GAT1>0</TCP_GAT1>"
            "<TCP_GAT2>0</TCP_GAT2><TCP_GAT3>0</TCP_GAT3><TCP_GAT4>0</TCP_GAT4>"
            "<TCP_PORT>502</TCP_PORT><SNMP_PUBLIC></SNMP_PUBLIC>"
            "<SNMP_PRIVATE>ABCDEFGHIJKLM</SNMP_PRIVATE><BAUD>-1</BAUD><PARITY>0</PARITY>"
            "<TIME_OUT> 0x10</TIME_OUT><OFFSET>0</OFFSET><MODE>1</MODE>"
            "<ADDRESS_RTU>1</ADDRESS_RTU></General_Parameter>");
}

// --- the texts and the start-up reading ----------------------------------

TEST(PargenTexts, NothingForMissingOrCompoundElements) {
  const GeneralParameterTexts texts =
      ParseGeneralParameterTexts(Document({{"MODE", ""}, {"BAUD", "<X/>"}, {"TCP_PORT", " 5 "}}));
  EXPECT_EQ(texts.Text("MODE"), "");
  EXPECT_EQ(texts.Text("BAUD"), std::nullopt);
  EXPECT_EQ(texts.Text("TCP_PORT"), " 5 ");
  EXPECT_EQ(texts.Text("ADDRESS_RTU"), std::nullopt);
  EXPECT_EQ(texts.Text("NO_SUCH_ELEMENT"), std::nullopt);
}

TEST(PargenTexts, MissingFileIsAnError) {
  test::TempFolder folder;
  EXPECT_THROW(ReadGeneralParameterTexts(folder / "pargen.xml"), Error);
}

TEST(OperationModeCode, IntegerOfModeOrNothing) {
  test::TempFolder folder;
  const std::string path = folder / "pargen.xml";
  EXPECT_EQ(ReadOperationModeCode(path), std::nullopt) << "no file";
  struct Case {
    std::string bytes;
    std::optional<std::int32_t> code;
  };
  const Case cases[] = {
      {Document({{"MODE", "0"}}), 0},
      {Document({{"MODE", "1"}}), 1},
      {Document({{"MODE", "7"}}), 7},
      {Document({{"MODE", " $0"}}), 0},
      {Document({{"MODE", "0 "}}), std::nullopt},
      {Document({{"MODE", ""}}), std::nullopt},
      {Document({{"MODE", "<A/>"}}), std::nullopt},
      {Document({{"BAUD", "0"}}), std::nullopt},
      {Document({{"MODE", "0"}}, "Other"), std::nullopt},
      {"<General_Parameter><MODE>0</MODE>", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    test::WriteFileBytes(path, c.bytes);
    EXPECT_EQ(ReadOperationModeCode(path), c.code) << c.bytes;
  }
}

}  // namespace
}  // namespace fabrion
