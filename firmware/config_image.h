#pragma once
// The 16384-byte configuration image of bank 1: the translate table and the
// general parameters at fixed offsets, with the build's date and time.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fabrion {

class Clock;
struct LocalDateTime;

inline constexpr std::size_t kConfigImageSize = 16384;
using ConfigImage = std::array<std::uint8_t, kConfigImageSize>;

// Where the fields stand in the image: the translate table from offset 0,
// then the general block; words are little-endian.
inline constexpr std::size_t kTranslateRecordSize = 10;
inline constexpr std::size_t kTranslateRecordCount = 1400;
inline constexpr std::size_t kGeneralBlockOffset = 15000;
inline constexpr std::size_t kIpOffset = 15000;          // four octets
inline constexpr std::size_t kSubnetOffset = 15004;      // four octets
inline constexpr std::size_t kGatewayOffset = 15008;     // four octets
inline constexpr std::size_t kTcpPortOffset = 15012;     // word
inline constexpr std::size_t kSnmpPublicOffset = 15014;  // community-name field
inline constexpr std::size_t kSnmpPrivateOffset = 15028; // community-name field
inline constexpr std::size_t kBaudOffset = 15042;
inline constexpr std::size_t kParityOffset = 15043;
inline constexpr std::size_t kTimeOutOffset = 15044;     // word
inline constexpr std::size_t kDataOffsetOffset = 15046;  // word: the system data offset
inline constexpr std::size_t kModeOffset = 15048;
inline constexpr std::size_t kBuildTimeOffset = 15049;   // word
inline constexpr std::size_t kBuildDateOffset = 15051;   // word
inline constexpr std::size_t kAddressRtuOffset = 15053;

inline constexpr std::size_t kCommunityNameSize = 14;
using CommunityName = std::array<std::uint8_t, kCommunityNameSize>;

// How a build ended. An incomplete build leaves the image as far as it got;
// reason then names the document, the element or row and attribute, and why.
struct BuildOutcome {
  bool complete = true;
  std::string reason;
};

// Fills image from projectDir's var.xml and pargen.xml; never throws. The
// first failure ends the build: what was stored stays, the rest stays zero.
// The clock is read once, for both the build's time and its date.
BuildOutcome BuildConfigImage(std::string_view projectDir, Clock& clock, ConfigImage& image);

// The same build from the bytes of var.xml and pargen.xml.
BuildOutcome BuildConfigImageFromXml(std::string_view varXml, std::string_view pargenXml,
                                     Clock& clock, ConfigImage& image);

// The halved seconds in bits 15-11, the minutes in 10-5, the hours in 4-0.
std::uint16_t PackBuildTime(const LocalDateTime& now);
// The day in bits 15-11, the month in 10-7, the year modulo 100 in 6-0.
std::uint16_t PackBuildDate(const LocalDateTime& now);

// The 14-byte field of a UTF-8 name: its first 13 characters in Windows-1252
// ("?" for a character that code page cannot hold), then zero bytes.
CommunityName CopyCommunityName(std::string_view utf8);

// The character a Windows-1252 byte stands for; nothing for the five bytes
// of that code page that stand for none.
std::optional<char32_t> Windows1252CodePoint(std::uint8_t byte);

// projectDir/bin/bank1.bin.
std::string BankBinaryPath(std::string_view projectDir);

// Writes the image to projectDir/bin/bank1.bin. Throws Error when the file
// cannot be created or written.
void WriteBankBinary(std::string_view projectDir, const ConfigImage& image);

}  // namespace fabrion
