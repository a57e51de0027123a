#pragma once
// The general parameters document pargen.xml: root General_Parameter with 21
// text-only child elements, written whole in a fixed order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fabrion {

// The 21 values as the General Parameter dialog holds them.
struct GeneralParameters {
  std::array<std::string, 4> ip{"0", "0", "0", "0"};        // TCP_IP1..4, texts as typed
  std::array<std::string, 4> subnet{"255", "255", "255", "0"};  // TCP_SUB1..4
  std::array<std::string, 4> gateway{"0", "0", "0", "0"};   // TCP_GAT1..4
  std::int32_t tcpPort = 502;                               // TCP_PORT
  std::string snmpPublic = "kombri";                        // SNMP_PUBLIC, at most 13 characters
  std::string snmpPrivate = "drevant";                      // SNMP_PRIVATE, at most 13 characters
  int baudIndex = 3;       // BAUD: index into kBaudRates (gateway_codes.h), -1 none selected
  int parityIndex = 0;     // position in kParities (gateway_codes.h), -1 none selected
  std::string timeOut = "1000";                             // TIME_OUT, text as typed
  std::string offset = "0";                                 // OFFSET, text as typed
  bool natMode = true;     // MODE: false Routing Mode ("0"), true NAT Mode ("1")
  int addressRtu = 1;      // ADDRESS_RTU, kMinRtuAddress to kMaxRtuAddress

  bool operator==(const GeneralParameters&) const = default;
};

// The element names in the order the writer emits them.
inline constexpr std::array<std::string_view, 21> kGeneralParameterElements = {
    "TCP_IP1",  "TCP_IP2",  "TCP_IP3",  "TCP_IP4",     "TCP_SUB1",     "TCP_SUB2",
    "TCP_SUB3", "TCP_SUB4", "TCP_GAT1", "TCP_GAT2",    "TCP_GAT3",     "TCP_GAT4",
    "TCP_PORT", "SNMP_PUBLIC", "SNMP_PRIVATE", "BAUD", "PARITY",       "TIME_OUT",
    "OFFSET",   "MODE",     "ADDRESS_RTU"};

// The number of community-name characters the document keeps on reading.
inline constexpr std::size_t kCommunityNameLength = 13;

// The document's own texts before any fallback, in kGeneralParameterElements
// order: the single run of text of the root's first child of that name, or
// nothing when the root General_Parameter or the element is missing or the
// element holds more than text (child elements, text split by a comment).
struct GeneralParameterTexts {
  std::array<std::optional<std::string>, 21> texts;
  // The text of one element by its name; nothing for an unknown name.
  const std::optional<std::string>& Text(std::string_view element) const;
};

// The IP address as the ping field shows it: the four texts joined by ".".
std::string JoinedIpAddress(const GeneralParameters& values);

// The document's exact bytes for these values (no declaration, one line).
std::string GeneralParametersXml(const GeneralParameters& values);

// Writes the document at path, replacing the file whole. Throws Error with
// the system's text when it cannot be written, or when a community name
// holds a character XML 1.0 cannot hold; the old file is then kept.
void WriteGeneralParameters(std::string_view path, const GeneralParameters& values);

// The dialog's reading: the defaults, then each element with its own
// fallback. A missing file gives the defaults. A file that is not
// well-formed throws DocumentParseError (documents/xml_parse_error.h); one
// that exists but cannot be read throws Error.
GeneralParameters ReadGeneralParameters(std::string_view path);

// The dialog's reading of a document already in memory (bytes of a file).
GeneralParameters ParseGeneralParameters(std::string_view bytes);

// The dialog's reading applied to the document's texts.
GeneralParameters GeneralParametersFromTexts(const GeneralParameterTexts& found);

// The texts of the file at path, for readers with their own conversions (the
// image builder). Throws Error when the file is missing or cannot be read,
// DocumentParseError when it is not well-formed.
GeneralParameterTexts ReadGeneralParameterTexts(std::string_view path);
GeneralParameterTexts ParseGeneralParameterTexts(std::string_view bytes);

// The start-up reading of MODE alone: its integer, or nothing when the file,
// root or element is missing, unreadable or no integer.
std::optional<std::int32_t> ReadOperationModeCode(std::string_view path);

}  // namespace fabrion
