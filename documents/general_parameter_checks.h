#pragma once
// The General Parameter dialog's checks before pargen.xml is written, and
// the reading of its RTU address field.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/gateway_codes.h"
#include "documents/pargen_document.h"

namespace fabrion {

inline constexpr std::string_view kIpOctetMessage = "Error!! IP must be between 0 and 255. ";
inline constexpr std::string_view kSubnetOctetMessage =
    "Error!! Subnet Mask must be between 0 and 255. ";
inline constexpr std::string_view kGatewayOctetMessage =
    "Error!! Default Gateway must be between 0 and 255. ";
inline constexpr std::string_view kTcpPortMessage = "Error!! TCP Port must be between 1 and 65535. ";
inline constexpr std::string_view kTimeOutMessage = "TimeOut Error!!";
inline constexpr std::string_view kOffsetMessage = "Offset Error!!";

// The gateway keeps the time-out, the offset and the TCP port in 16 bits.
inline constexpr std::int32_t kMaxDeviceWord = 65535;
inline constexpr std::int32_t kMinTcpPort = 1;

// The dialog's fields a check can refuse; octet is 0-3 within an address row.
enum class GeneralParameterField { Ip, Subnet, Gateway, TcpPort, TimeOut, Offset };

struct GeneralParameterFault {
  GeneralParameterField field;
  int octet = 0;
  std::string message;
};

// The first failing check, in the order IP octets 1-4, mask octets 1-4,
// gateway octets 1-4, TCP port (1 to 65535), time-out, offset (each 0 to
// 65535); nothing when all pass. The texts are judged by the integer rule and
// never changed.
std::optional<GeneralParameterFault> FirstFaultyField(const GeneralParameters& values);

// The message of FirstFaultyField, or nothing.
std::optional<std::string> FirstGeneralParameterFault(const GeneralParameters& values);

// What the device gets for the document's TIME_OUT and OFFSET when they do not
// fit its 16-bit fields, one line each: "Timeout (ms) 70000 does not fit the
// device's 16-bit field: the device gets 4464". Values that are no integer
// are left to the image builder.
std::vector<std::string> DeviceWordOverflows(const GeneralParameterTexts& texts);
// The same for the document at parGenPath; nothing when it is missing or
// cannot be read (its readers report that).
std::vector<std::string> DeviceWordOverflowsIn(std::string_view parGenPath);

// True when the text is an integer from 0 to 255.
bool IsOctet(std::string_view text);

// A value pulled into 1..255 (below 1 gives 1, above 255 gives 255).
int PullIntoRtuAddressRange(std::int32_t value);

// The address the document receives for the spin field's text: its integer
// pulled into 1..255, or 1 when the text is no integer.
int RtuAddressOf(std::string_view text);

}  // namespace fabrion
