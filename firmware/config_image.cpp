#include "firmware/config_image.h"

#include <new>
#include <optional>
#include <pugixml.hpp>

#include "documents/integer_rule.h"
#include "documents/utf8_text.h"
#include "documents/xml_load.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

constexpr std::string_view kIncomplete = "The configuration image is incomplete: ";

// The translate record's numeric attributes, in reading order, with their
// offset and width in the record.
struct RecordField {
  const char* attribute;
  std::size_t offset;
  std::size_t width;
};
constexpr RecordField kRecordFields[] = {
    {"DATA_TYPE", 0, 1},     {"RTU_ADDRESS", 1, 2},   {"TCP_ADD_DEV_1", 3, 1},
    {"TCP_ADD_DEV_2", 4, 1}, {"TCP_ADD_DEV_3", 5, 1}, {"TCP_ADD_DEV_4", 6, 1},
    {"TCP_ADDRESS", 7, 2},   {"N_POINT", 9, 1}};

// The general parameters from TCP_IP1 to MODE in rising offset; width 0
// marks a community-name field.
struct GeneralField {
  const char* element;
  std::size_t offset;
  std::size_t width;
};
constexpr GeneralField kGeneralFields[] = {
    {"TCP_IP1", kIpOffset, 1},           {"TCP_IP2", kIpOffset + 1, 1},
    {"TCP_IP3", kIpOffset + 2, 1},       {"TCP_IP4", kIpOffset + 3, 1},
    {"TCP_SUB1", kSubnetOffset, 1},      {"TCP_SUB2", kSubnetOffset + 1, 1},
    {"TCP_SUB3", kSubnetOffset + 2, 1},  {"TCP_SUB4", kSubnetOffset + 3, 1},
    {"TCP_GAT1", kGatewayOffset, 1},     {"TCP_GAT2", kGatewayOffset + 1, 1},
    {"TCP_GAT3", kGatewayOffset + 2, 1}, {"TCP_GAT4", kGatewayOffset + 3, 1},
    {"TCP_PORT", kTcpPortOffset, 2},     {"SNMP_PUBLIC", kSnmpPublicOffset, 0},
    {"SNMP_PRIVATE", kSnmpPrivateOffset, 0}, {"BAUD", kBaudOffset, 1},
    {"PARITY", kParityOffset, 1},        {"TIME_OUT", kTimeOutOffset, 2},
    {"OFFSET", kDataOffsetOffset, 2},    {"MODE", kModeOffset, 1}};

void StoreWord(ConfigImage& image, std::size_t offset, std::uint16_t word) {
  image[offset] = static_cast<std::uint8_t>(word & 0xFF);
  image[offset + 1] = static_cast<std::uint8_t>(word >> 8);
}

// The low 8 or 16 bits of the value, low byte first.
void StoreNumber(ConfigImage& image, std::size_t offset, std::size_t width, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  if (width == 1)
    image[offset] = static_cast<std::uint8_t>(bits & 0xFF);
  else
    StoreWord(image, offset, static_cast<std::uint16_t>(bits & 0xFFFF));
}

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  quoted += text;
  quoted += '"';
  return quoted;
}

// One document of the build: a file, or the bytes of one in memory.
struct DocumentSource {
  std::string_view name;  // the path of the file, or the document's name
  std::optional<std::string_view> bytes;
};

// Loads a document; on failure the reason says which file and why.
std::optional<std::string> LoadDocument(pugi::xml_document& document, DocumentSource source) {
  try {
    if (source.bytes)
      LoadXmlBytes(*source.bytes, document);
    else
      LoadXmlFile(source.name, document);
  } catch (const std::bad_alloc&) {
    return NotEnoughMemoryText(source.name);
  } catch (const DocumentParseError& e) {
    return Quoted(source.name) + " is not well-formed: " + e.what();
  } catch (const Error& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

// Only elements are rows, whatever their name: comments, processing
// instructions and stray text between them are passed over, as the Translate
// Table dialog passes them over, so the image holds the rows the user sees.
bool IsRow(pugi::xml_node node) { return node.type() == pugi::node_element; }

class ImageBuilder {
 public:
  explicit ImageBuilder(ConfigImage& image) : image_(image) {}

  // Step 2: the rows of var.xml in document order, whatever their name.
  std::optional<std::string> ReadTranslateTable(DocumentSource var) {
    pugi::xml_document document;
    if (auto failure = LoadDocument(document, var)) return failure;
    const pugi::xml_node root = document.document_element();
    std::size_t row = 0;
    for (pugi::xml_node node = root.first_child(); node && row < kTranslateRecordCount;
         node = node.next_sibling()) {
      if (!IsRow(node)) continue;
      const std::size_t base = row * kTranslateRecordSize;
      for (const RecordField& field : kRecordFields) {
        const std::string where = "var.xml, row " + std::to_string(row + 1) + ": attribute " +
                                  field.attribute;
        const pugi::xml_attribute attribute = node.attribute(field.attribute);
        if (!attribute) return where + " is missing";
        const auto value = ParseInteger(attribute.value());
        if (!value) return where + " " + Quoted(attribute.value()) + " is no integer";
        StoreNumber(image_, base + field.offset, field.width, *value);
      }
      ++row;
    }
    return std::nullopt;
  }

  // Steps 3 to 5: the general parameters, the build's time and date, and
  // ADDRESS_RTU with its fallback 1.
  std::optional<std::string> ReadGeneralParameters(DocumentSource pargen,
                                                   const LocalDateTime& now) {
    pugi::xml_document document;
    if (auto failure = LoadDocument(document, pargen)) return failure;
    const pugi::xml_node general = document.child("General_Parameter");
    if (!general) return std::string("pargen.xml: element General_Parameter is missing");
    for (const GeneralField& field : kGeneralFields) {
      std::string text;
      if (auto failure = ReadElement(general, field.element, text)) return failure;
      if (field.width == 0) {
        const CommunityName name = CopyCommunityName(text);
        std::copy(name.begin(), name.end(), image_.begin() + static_cast<std::ptrdiff_t>(field.offset));
        continue;
      }
      const auto value = ParseInteger(text);
      if (!value)
        return "pargen.xml: element " + std::string(field.element) + " " + Quoted(text) +
               " is no integer";
      StoreNumber(image_, field.offset, field.width, *value);
    }
    StoreWord(image_, kBuildTimeOffset, PackBuildTime(now));
    StoreWord(image_, kBuildDateOffset, PackBuildDate(now));

    std::string text;
    std::optional<std::int32_t> address;
    if (!ReadElement(general, "ADDRESS_RTU", text)) address = ParseInteger(text);
    StoreNumber(image_, kAddressRtuOffset, 1, address.value_or(1));
    return std::nullopt;
  }

 private:
  static std::optional<std::string> ReadElement(pugi::xml_node general, const char* name,
                                                std::string& text) {
    const std::string where = std::string("pargen.xml: element ") + name;
    const pugi::xml_node element = general.child(name);
    if (!element) return where + " is missing";
    auto content = ElementText(element);
    if (!content) return where + " holds more than a text";
    text = std::move(*content);
    return std::nullopt;
  }

  ConfigImage& image_;
};

// The row 0x80 to 0x9F of Windows-1252: the characters it places there;
// 0x81, 0x8D, 0x8F, 0x90 and 0x9D hold none.
struct HighRowMapping {
  char32_t cp;
  std::uint8_t byte;
};
constexpr HighRowMapping kHighRow[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
    {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
    {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
    {0x017E, 0x9E}, {0x0178, 0x9F}};

// The Windows-1252 byte of a code point, or "?".
std::uint8_t Windows1252Byte(std::optional<char32_t> cp) {
  if (!cp) return '?';
  if (*cp < 0x80 || (*cp >= 0xA0 && *cp <= 0xFF)) return static_cast<std::uint8_t>(*cp);
  for (const HighRowMapping& m : kHighRow)
    if (m.cp == *cp) return m.byte;
  return '?';
}

BuildOutcome BuildFromDocuments(DocumentSource var, DocumentSource pargen, Clock& clock,
                                ConfigImage& image) {
  image.fill(0);
  ImageBuilder builder(image);
  std::optional<std::string> failure = builder.ReadTranslateTable(var);
  if (!failure) {
    // One reading serves both words, so time and date are of the same instant.
    const LocalDateTime now = clock.Now();
    failure = builder.ReadGeneralParameters(pargen, now);
  }
  if (!failure) return {};
  return {false, std::string(kIncomplete) + *failure};
}

}  // namespace

std::uint16_t PackBuildTime(const LocalDateTime& now) {
  const auto halvedSeconds = static_cast<unsigned>(now.second / 2) & 0x1F;
  const auto minutes = static_cast<unsigned>(now.minute) & 0x3F;
  const auto hours = static_cast<unsigned>(now.hour) & 0x1F;
  return static_cast<std::uint16_t>((halvedSeconds << 11) | (minutes << 5) | hours);
}

std::uint16_t PackBuildDate(const LocalDateTime& now) {
  const auto day = static_cast<unsigned>(now.day) & 0x1F;
  const auto month = static_cast<unsigned>(now.month) & 0x0F;
  const auto year = static_cast<unsigned>(now.year % 100) & 0x7F;
  return static_cast<std::uint16_t>((day << 11) | (month << 7) | year);
}

std::optional<char32_t> Windows1252CodePoint(std::uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  for (const HighRowMapping& m : kHighRow)
    if (m.byte == byte) return m.cp;
  return std::nullopt;
}

CommunityName CopyCommunityName(std::string_view utf8) {
  CommunityName field{};
  std::size_t i = 0;
  for (std::size_t n = 0; n < kCommunityNameSize - 1 && i < utf8.size(); ++n)
    field[n] = Windows1252Byte(DecodeUtf8(utf8, i));
  return field;
}

BuildOutcome BuildConfigImage(std::string_view projectDir, Clock& clock, ConfigImage& image) {
  const std::string varPath = JoinPath(projectDir, "var.xml");
  const std::string pargenPath = JoinPath(projectDir, "pargen.xml");
  return BuildFromDocuments({varPath, std::nullopt}, {pargenPath, std::nullopt}, clock, image);
}

BuildOutcome BuildConfigImageFromXml(std::string_view varXml, std::string_view pargenXml,
                                     Clock& clock, ConfigImage& image) {
  return BuildFromDocuments({"var.xml", varXml}, {"pargen.xml", pargenXml}, clock, image);
}

std::string BankBinaryPath(std::string_view projectDir) {
  return JoinPath(JoinPath(projectDir, "bin"), "bank1.bin");
}

void WriteBankBinary(std::string_view projectDir, const ConfigImage& image) {
  WriteFileAtomically(BankBinaryPath(projectDir),
                      std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

}  // namespace fabrion
