#include "firmware/srecord_line.h"

#include <cstdio>

namespace fabrion {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Hex2(unsigned value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
  return text;
}

}  // namespace

int SRecordAddressBytes(char type) {
  switch (type) {
    case '0': case '1': case '5': case '9': return 2;
    case '2': case '6': case '8': return 3;
    case '3': case '7': return 4;
    default: return 0;
  }
}

SRecordReading ReadSRecordLine(std::string_view line) {
  SRecordReading reading;
  if (line.size() < 2 || line[0] != 'S' || line[1] < '0' || line[1] > '9') {
    reading.problem = line.empty() ? "empty line" : "no S-record (it does not start with S0 to S9)";
    return reading;
  }
  const char type = line[1];
  const int addressBytes = SRecordAddressBytes(type);
  if (addressBytes == 0) {
    reading.problem = std::string("record type S") + type + " is reserved";
    return reading;
  }
  if ((line.size() - 2) % 2 != 0) {
    reading.problem = "odd number of hexadecimal digits";
    return reading;
  }
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 2; i < line.size(); i += 2) {
    const int high = HexValue(line[i]);
    const int low = HexValue(line[i + 1]);
    if (high < 0 || low < 0) {
      reading.problem = "character " + std::to_string(high < 0 ? i + 1 : i + 2) +
                        " is no hexadecimal digit";
      return reading;
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  if (bytes.empty() || bytes[0] + 1u != bytes.size()) {
    reading.problem = bytes.empty() ? "no byte count"
                                    : "byte count " + Hex2(bytes[0]) + " but " +
                                          std::to_string(bytes.size() - 1) + " bytes follow";
    return reading;
  }
  if (bytes.size() < static_cast<std::size_t>(addressBytes) + 2) {
    reading.problem = "too short for its address";
    return reading;
  }
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
  const unsigned expected = ~sum & 0xFFu;
  if (bytes.back() != expected) {
    reading.problem = "checksum " + Hex2(bytes.back()) + ", the record's bytes give " + Hex2(expected);
    return reading;
  }
  SRecord record;
  record.type = type;
  for (int i = 0; i < addressBytes; ++i) record.address = (record.address << 8) | bytes[1 + i];
  record.data.assign(bytes.begin() + 1 + addressBytes, bytes.end() - 1);
  reading.record = std::move(record);
  return reading;
}

std::string FormatSRecordLine(char type, std::uint32_t address,
                              const std::vector<std::uint8_t>& data) {
  const int addressBytes = SRecordAddressBytes(type);
  const unsigned count = static_cast<unsigned>(addressBytes + data.size() + 1);
  std::string line = std::string("S") + type + Hex2(count);
  unsigned sum = count;
  for (int i = addressBytes - 1; i >= 0; --i) {
    const unsigned byte = (address >> (8 * i)) & 0xFFu;
    line += Hex2(byte);
    sum += byte;
  }
  for (std::uint8_t byte : data) {
    line += Hex2(byte);
    sum += byte;
  }
  line += Hex2(~sum);
  return line;
}

}  // namespace fabrion
