#include "readback/image_decoding.h"

#include "documents/data_types.h"
#include "documents/gateway_codes.h"
#include "documents/ip_address.h"
#include "platform/hex_text.h"

namespace fabrion {
namespace {

std::uint16_t Word(const ConfigImage& image, std::size_t offset) {
  return static_cast<std::uint16_t>(image[offset] | (unsigned(image[offset + 1]) << 8));
}

std::array<std::uint8_t, 4> Octets(const ConfigImage& image, std::size_t offset) {
  return {image[offset], image[offset + 1], image[offset + 2], image[offset + 3]};
}

CommunityName Field(const ConfigImage& image, std::size_t offset) {
  CommunityName field{};
  for (std::size_t i = 0; i < field.size(); ++i) field[i] = image[offset + i];
  return field;
}

std::string UnknownCode(unsigned code) {
  return "code " + std::to_string(code) + " (none the gateway knows)";
}

void AppendUtf8(std::string& text, char32_t cp) {
  if (cp < 0x80) {
    text.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    text.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    text.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    text.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    text.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    text.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The character of a name byte: printable and not a control character.
std::optional<char32_t> NameCharacter(std::uint8_t byte) {
  if (byte < 0x20 || byte == 0x7F) return std::nullopt;
  return Windows1252CodePoint(byte);
}

// The field in quotes, up to its last byte that is not zero; a byte that is
// no name character, a quote or a backslash shows as \xNN.
std::string CommunityNameWords(const CommunityName& field) {
  std::size_t end = field.size();
  while (end > 0 && field[end - 1] == 0) --end;
  std::string text = "\"";
  for (std::size_t i = 0; i < end; ++i) {
    const auto cp = NameCharacter(field[i]);
    if (cp && *cp != '"' && *cp != '\\') {
      AppendUtf8(text, *cp);
    } else {
      text += "\\x" + Hex(field[i], 2);
    }
  }
  return text + "\"";
}

std::string BaudWords(unsigned code) {
  return code < kBaudRates.size() ? std::to_string(kBaudRates[code]) : UnknownCode(code);
}

std::string ParityWords(unsigned code) {
  const std::optional<int> position = ParityPositionOfCode(static_cast<int>(code));
  return position ? std::string(kParities[static_cast<std::size_t>(*position)].name)
                  : UnknownCode(code);
}

std::string ModeWords(unsigned code) {
  return code < kModeNames.size() ? std::string(kModeNames[code]) : UnknownCode(code);
}

}  // namespace

DecodedImage DecodeConfigImage(const ConfigImage& image) {
  DecodedImage decoded;
  ImageGeneral& g = decoded.general;
  g.ip = Octets(image, kIpOffset);
  g.subnet = Octets(image, kSubnetOffset);
  g.gateway = Octets(image, kGatewayOffset);
  g.tcpPort = Word(image, kTcpPortOffset);
  g.snmpPublic = Field(image, kSnmpPublicOffset);
  g.snmpPrivate = Field(image, kSnmpPrivateOffset);
  g.baudCode = image[kBaudOffset];
  g.parityCode = image[kParityOffset];
  g.timeOut = Word(image, kTimeOutOffset);
  g.dataOffset = Word(image, kDataOffsetOffset);
  g.modeCode = image[kModeOffset];
  g.buildTime = Word(image, kBuildTimeOffset);
  g.buildDate = Word(image, kBuildDateOffset);
  g.addressRtu = image[kAddressRtuOffset];

  std::size_t used = kTranslateRecordCount;
  auto recordIsZero = [&image](std::size_t record) {
    for (std::size_t i = 0; i < kTranslateRecordSize; ++i)
      if (image[record * kTranslateRecordSize + i] != 0) return false;
    return true;
  };
  while (used > 0 && recordIsZero(used - 1)) --used;
  decoded.rows.reserve(used);
  for (std::size_t record = 0; record < used; ++record) {
    const std::size_t at = record * kTranslateRecordSize;
    TMyRec& row = decoded.rows.emplace_back();
    row.DataType = image[at];
    row.RtuAddress = Word(image, at + 1);
    row.DeviceIp = Octets(image, at + 3);
    row.TcpAddress = Word(image, at + 7);
    row.PointCount = image[at + 9];
  }
  return decoded;
}

bool IsReservedOffset(std::size_t offset) {
  const std::size_t tableEnd = kTranslateRecordCount * kTranslateRecordSize;
  return (offset >= tableEnd && offset < kReservedTableEnd) ||
         (offset >= kGeneralBlockEnd && offset < kConfigImageSize);
}

bool IsBuildStampOffset(std::size_t offset) {
  return offset >= kBuildTimeOffset && offset < kBuildDateOffset + 2;
}

std::vector<ValueWords> GeneralParameterWords(const ImageGeneral& g) {
  return {
      {"IP address", DottedIp(g.ip)},
      {"Subnet mask", DottedIp(g.subnet)},
      {"Default gateway", DottedIp(g.gateway)},
      {"TCP port", std::to_string(g.tcpPort)},
      {"SNMP community (public)", CommunityNameWords(g.snmpPublic)},
      {"SNMP community (private)", CommunityNameWords(g.snmpPrivate)},
      {"Baud rate", BaudWords(g.baudCode)},
      {"Parity", ParityWords(g.parityCode)},
      {"RTU time-out", std::to_string(g.timeOut) + " ms"},
      {"System data offset", std::to_string(g.dataOffset)},
      {"Operation mode", ModeWords(g.modeCode)},
      {"RTU address", std::to_string(g.addressRtu)},
  };
}

std::string BuildStampText(std::uint16_t time, std::uint16_t date) {
  if (time == 0 && date == 0) return "not stored";
  const unsigned year = 2000u + (date & 0x7Fu), month = (date >> 7) & 0x0Fu, day = date >> 11;
  const unsigned hour = time & 0x1Fu, minute = (time >> 5) & 0x3Fu, second = unsigned(time >> 11) * 2;
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  // Words no clock writes (month 15, hour 31) are shown as they are, not as a date.
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] + (month == 2 && leap) ||
      hour > 23 || minute > 59 || second > 59)
    return "not a valid date (words " + PrefixedHex(time, 4) + ", " + PrefixedHex(date, 4) + ")";
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", year, month, day, hour, minute,
                second);
  return text;
}

std::optional<std::string> CommunityNameText(const CommunityName& field) {
  std::string text;
  std::size_t i = 0;
  for (; i < field.size() && field[i] != 0; ++i) {
    // Tab, line feed and carriage return are characters a document keeps.
    const bool blank = field[i] == '\t' || field[i] == '\n' || field[i] == '\r';
    const auto cp = blank ? std::optional<char32_t>(field[i]) : NameCharacter(field[i]);
    if (!cp) return std::nullopt;
    AppendUtf8(text, *cp);
  }
  for (; i < field.size(); ++i)
    if (field[i] != 0) return std::nullopt;
  return text;
}

std::string DataTypeWords(int code) {
  if (const auto name = DataTypeName(code)) return std::string(*name);
  return "data type " + std::to_string(code) + " (none the gateway knows)";
}

std::vector<ValueWords> RecordFieldWords(const TMyRec& r) {
  return {{"data type", DataTypeWords(r.DataType)},
          {"RTU address", std::to_string(r.RtuAddress)},
          {"device", DottedIp(r.DeviceIp)},
          {"TCP address", std::to_string(r.TcpAddress)},
          {"points", std::to_string(r.PointCount)}};
}

std::string RecordWords(const TMyRec& r) {
  return DataTypeWords(r.DataType) + ", RTU address " + std::to_string(r.RtuAddress) +
         ", device " + DottedIp(r.DeviceIp) + ", TCP address " +
         std::to_string(r.TcpAddress) + ", " + std::to_string(r.PointCount) +
         (r.PointCount == 1 ? " point" : " points");
}

}  // namespace fabrion
