#include "firmware/srecord_line.h"

#include "platform/error.h"
#include "platform/hex_text.h"

namespace fabrion {
namespace {

// digits read as pairs into bytes; the index of the first character that is
// no hexadecimal digit, or nothing. An odd last character is left unread.
std::optional<std::size_t> ReadHexPairs(std::string_view digits, std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    const int high = HexDigitValue(digits[i]);
    const int low = HexDigitValue(digits[i + 1]);
    if (high < 0 || low < 0) return high < 0 ? i : i + 1;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return std::nullopt;
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
  if (const auto bad = ReadHexPairs(line.substr(2), bytes)) {
    reading.problem = "character " + std::to_string(*bad + 3) + " is no hexadecimal digit";
    return reading;
  }
  if (bytes.empty() || bytes[0] + 1u != bytes.size()) {
    reading.problem = bytes.empty() ? "no byte count"
                                    : "byte count " + Hex(bytes[0], 2) + " but " +
                                          std::to_string(bytes.size() - 1) + " bytes follow";
    return reading;
  }
  if (bytes.size() < static_cast<std::size_t>(addressBytes) + 2) {
    reading.problem = "too short for its address";
    return reading;
  }
  const std::uint8_t expected = SRecordChecksumOf({bytes.data(), bytes.size() - 1});
  if (bytes.back() != expected) {
    reading.problem =
        "checksum " + Hex(bytes.back(), 2) + ", the record's bytes give " + Hex(expected, 2);
    return reading;
  }
  SRecord record;
  record.type = type;
  for (int i = 0; i < addressBytes; ++i) record.address = (record.address << 8) | bytes[1 + i];
  record.data.assign(bytes.begin() + 1 + addressBytes, bytes.end() - 1);
  reading.record = std::move(record);
  return reading;
}

std::uint8_t SRecordChecksumOf(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (const std::uint8_t byte : bytes) sum += byte;
  return static_cast<std::uint8_t>(~sum & 0xFFu);
}

std::string FormatSRecordLine(char type, std::uint32_t address,
                              const std::vector<std::uint8_t>& data) {
  const int addressBytes = SRecordAddressBytes(type);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(addressBytes + data.size() + 2);
  bytes.push_back(static_cast<std::uint8_t>(addressBytes + data.size() + 1));
  for (int i = addressBytes - 1; i >= 0; --i) bytes.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
  bytes.insert(bytes.end(), data.begin(), data.end());
  bytes.push_back(SRecordChecksumOf(bytes));
  std::string line = std::string("S") + type;
  line.reserve(2 + 2 * bytes.size());
  for (const std::uint8_t byte : bytes) AppendHex(line, byte, 2);
  return line;
}

std::string SRecordChecksum(std::string_view line, bool checksumOnly) {
  std::vector<std::uint8_t> bytes;
  const std::string_view counted = line.size() < 4 ? std::string_view() : line.substr(2, line.size() - 4);
  if (const auto bad = ReadHexPairs(counted, bytes))
    throw Error("The S-record line's character " + std::to_string(*bad + 3) +
                " is no hexadecimal digit: no checksum can be made.");
  const std::string checksum = Hex(SRecordChecksumOf(bytes), 2);
  if (checksumOnly) return checksum;
  std::string completed(line);
  if (completed.size() < 2) completed.resize(2, ' ');
  completed.replace(completed.size() - 2, 2, checksum);
  return completed;
}

}  // namespace fabrion
