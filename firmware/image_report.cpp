#include "firmware/image_report.h"

#include <cstdio>

#include "documents/data_types.h"

namespace fabrion {
namespace {

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
  for (std::size_t i = 0; i < kCommunityNameSize && image[offset + i] != 0; ++i) {
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
  const std::size_t at = row * kTranslateRecordSize;
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
  g.push_back("IP " + Dotted(image, kIpOffset));
  g.push_back("Subnet mask " + Dotted(image, kSubnetOffset));
  g.push_back("Default gateway " + Dotted(image, kGatewayOffset));
  g.push_back("Modbus TCP port " + std::to_string(Word(image, kTcpPortOffset)));
  g.push_back("SNMP community Public " + Community(image, kSnmpPublicOffset));
  g.push_back("SNMP community Private " + Community(image, kSnmpPrivateOffset));
  g.push_back(BaudText(image[kBaudOffset]) + ", " + ParityText(image[kParityOffset]));
  g.push_back("RTU time-out " + std::to_string(Word(image, kTimeOutOffset)) + " ms");
  g.push_back("System data offset " + std::to_string(Word(image, kDataOffsetOffset)));
  g.push_back(ModeText(image[kModeOffset]));
  g.push_back("RTU address " + std::to_string(image[kAddressRtuOffset]));
  g.push_back(BuildStamp(Word(image, kBuildTimeOffset), Word(image, kBuildDateOffset)));

  for (std::size_t row = 0; row < kTranslateRecordCount; ++row) {
    bool empty = true;
    for (std::size_t i = 0; i < kTranslateRecordSize && empty; ++i) empty = image[row * kTranslateRecordSize + i] == 0;
    if (!empty) report.rows.push_back(RowText(image, row));
  }
  return report;
}

}  // namespace fabrion
