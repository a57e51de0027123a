#include "firmware/image_report.h"

#include <cstdio>

#include "documents/data_types.h"

namespace fabrion {
namespace {

// Offsets of the image's fields.
constexpr std::size_t kRecordBytes = 10;
constexpr std::size_t kRows = 1400;
constexpr std::size_t kIp = 15000;
constexpr std::size_t kSubnet = 15004;
constexpr std::size_t kGateway = 15008;
constexpr std::size_t kTcpPort = 15012;
constexpr std::size_t kSnmpPublic = 15014;
constexpr std::size_t kSnmpPrivate = 15028;
constexpr std::size_t kCommunityBytes = 14;
constexpr std::size_t kBaud = 15042;
constexpr std::size_t kParity = 15043;
constexpr std::size_t kTimeOut = 15044;
constexpr std::size_t kOffset = 15046;
constexpr std::size_t kMode = 15048;
constexpr std::size_t kBuildTime = 15049;
constexpr std::size_t kBuildDate = 15051;
constexpr std::size_t kAddressRtu = 15053;

constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

unsigned Word(const ConfigImage& image, std::size_t offset) {
  return image[offset] | (unsigned(image[offset + 1]) << 8);
}

std::string Dotted(const ConfigImage& image, std::size_t offset) {
  return std::to_string(image[offset]) + "." + std::to_string(image[offset + 1]) + "." +
         std::to_string(image[offset + 2]) + "." + std::to_string(image[offset + 3]);
}

// The name up to its first zero byte, 8-bit characters shown as Windows-1252
// would show them where they are printable ASCII, as \xNN otherwise.
std::string Community(const ConfigImage& image, std::size_t offset) {
  std::string name = "\"";
  for (std::size_t i = 0; i < kCommunityBytes && image[offset + i] != 0; ++i) {
    const std::uint8_t c = image[offset + i];
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      name.push_back(static_cast<char>(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      name += escaped;
    }
  }
  return name + "\"";
}

std::string BaudText(unsigned code) {
  if (code < std::size(kBaudRates)) return std::to_string(kBaudRates[code]) + " baud";
  return "baud-rate code " + std::to_string(code) + " (none the gateway knows)";
}

std::string ParityText(unsigned code) {
  switch (code) {
    case 0: return "parity none";
    case 2: return "parity even";
    case 3: return "parity odd";
    default: return "parity code " + std::to_string(code) + " (none the gateway knows)";
  }
}

std::string ModeText(unsigned code) {
  switch (code) {
    case 0: return "Routing Mode";
    case 1: return "NAT Mode";
    default: return "operation mode code " + std::to_string(code) + " (none the gateway knows)";
  }
}

std::string BuildStamp(unsigned time, unsigned date) {
  if (time == 0 && date == 0) return "Build date and time not stored";
  char text[64];
  std::snprintf(text, sizeof text, "Built %04u-%02u-%02u %02u:%02u:%02u", 2000 + (date & 0x7F),
                (date >> 7) & 0x0F, date >> 11, time & 0x1F, (time >> 5) & 0x3F,
                (time >> 11) * 2);
  return text;
}

std::string RowText(const ConfigImage& image, std::size_t row) {
  const std::size_t at = row * kRecordBytes;
  const unsigned type = image[at];
  const auto name = DataTypeName(static_cast<int>(type));
  const std::string typeText =
      name ? std::string(*name) : "data type " + std::to_string(type) + " (none the gateway knows)";
  const unsigned points = image[at + 9];
  return "Row " + std::to_string(row + 1) + ": " + typeText + ", RTU " +
         std::to_string(Word(image, at + 1)) + " to device " + Dotted(image, at + 3) + " at " +
         std::to_string(Word(image, at + 7)) + ", " + std::to_string(points) +
         (points == 1 ? " point" : " points");
}

}  // namespace

ImageReport DescribeConfigImage(const ConfigImage& image) {
  ImageReport report;
  auto& g = report.general;
  g.push_back("IP " + Dotted(image, kIp));
  g.push_back("Subnet mask " + Dotted(image, kSubnet));
  g.push_back("Default gateway " + Dotted(image, kGateway));
  g.push_back("Modbus TCP port " + std::to_string(Word(image, kTcpPort)));
  g.push_back("SNMP community Public " + Community(image, kSnmpPublic));
  g.push_back("SNMP community Private " + Community(image, kSnmpPrivate));
  g.push_back(BaudText(image[kBaud]) + ", " + ParityText(image[kParity]));
  g.push_back("RTU time-out " + std::to_string(Word(image, kTimeOut)) + " ms");
  g.push_back("System data offset " + std::to_string(Word(image, kOffset)));
  g.push_back(ModeText(image[kMode]));
  g.push_back("RTU address " + std::to_string(image[kAddressRtu]));
  g.push_back(BuildStamp(Word(image, kBuildTime), Word(image, kBuildDate)));

  for (std::size_t row = 0; row < kRows; ++row) {
    bool empty = true;
    for (std::size_t i = 0; i < kRecordBytes && empty; ++i) empty = image[row * kRecordBytes + i] == 0;
    if (!empty) report.rows.push_back(RowText(image, row));
  }
  return report;
}

}  // namespace fabrion
