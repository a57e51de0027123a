#pragma once
// The configuration image read back: the general block and the translate
// records as the gateway reads them, and the words a user reads for each
// value ("IP address" "192.168.1.10", "Baud rate" "9600").
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "documents/var_document.h"
#include "firmware/config_image.h"

namespace fabrion {

// The general block, field by field.
struct ImageGeneral {
  std::array<std::uint8_t, 4> ip{};
  std::array<std::uint8_t, 4> subnet{};
  std::array<std::uint8_t, 4> gateway{};
  std::uint16_t tcpPort = 0;
  CommunityName snmpPublic{};
  CommunityName snmpPrivate{};
  std::uint8_t baudCode = 0;    // index into kBaudRates (documents/gateway_codes.h)
  std::uint8_t parityCode = 0;  // the code of one of kParities
  std::uint16_t timeOut = 0;    // milliseconds
  std::uint16_t dataOffset = 0;
  std::uint8_t modeCode = 0;    // kRoutingModeCode or kNatModeCode
  std::uint16_t buildTime = 0;
  std::uint16_t buildDate = 0;
  std::uint8_t addressRtu = 0;

  bool operator==(const ImageGeneral&) const = default;
};

struct DecodedImage {
  ImageGeneral general;
  // Records 1 up to the last one that is not all zero (all-zero records
  // before it included), as rows with empty mnemonics: the image holds none.
  std::vector<TMyRec> rows;
};

DecodedImage DecodeConfigImage(const ConfigImage& image);

// Offsets of the image's reserved bytes (after the 1400 records, and after
// the general block): the builder leaves them zero.
inline constexpr std::size_t kReservedTableEnd = kGeneralBlockOffset;
inline constexpr std::size_t kGeneralBlockEnd = kAddressRtuOffset + 1;
bool IsReservedOffset(std::size_t offset);
bool IsBuildStampOffset(std::size_t offset);

// One value in words: its name and its value.
struct ValueWords {
  std::string name;
  std::string value;
  bool operator==(const ValueWords&) const = default;
};

// The eleven general parameters in image order, without the build stamp:
// IP address, subnet mask, default gateway, TCP port, the two SNMP
// communities, baud rate, parity, RTU time-out, system data offset,
// operation mode and RTU address. A code the gateway does not know reads
// "code 9 (none the gateway knows)".
std::vector<ValueWords> GeneralParameterWords(const ImageGeneral& general);

// "2009-12-31 13:45:58", "not stored" when both words are zero, or "not a
// valid date (words 0x1234, 0x5678)" (time word first, as the image holds
// them) for a month, day or time no calendar has.
std::string BuildStampText(std::uint16_t buildTime, std::uint16_t buildDate);

// The name in a community-name field as UTF-8 (its bytes read as
// Windows-1252), or nothing when no name gives this field: a byte with no
// Windows-1252 character, a control character other than tab, line feed and
// carriage return, a byte after the name's end.
std::optional<std::string> CommunityNameText(const CommunityName& field);

// The five fields of a record in words: data type, RTU address, device,
// TCP address, points.
std::vector<ValueWords> RecordFieldWords(const TMyRec& record);

// "Holding Register, RTU address 100, device 192.168.1.20, TCP address 0, 10 points".
std::string RecordWords(const TMyRec& record);

// "Holding Register", or "data type 9 (none the gateway knows)".
std::string DataTypeWords(int code);

}  // namespace fabrion
