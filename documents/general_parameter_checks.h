#pragma once
// The General Parameter dialog's checks before pargen.xml is written, and
// the reading of its RTU address field.
#include <optional>
#include <string>
#include <string_view>

#include "documents/gateway_codes.h"
#include "documents/pargen_document.h"

namespace fabrion {

inline constexpr std::string_view kIpOctetMessage = "Error!! IP must be between 0 and 255. ";
inline constexpr std::string_view kSubnetOctetMessage =
    "Error!! Subnet Mask must be between 0 and 255. ";
inline constexpr std::string_view kGatewayOctetMessage =
    "Error!! Gateway must be between 0 and 255. ";
inline constexpr std::string_view kTimeOutMessage = "TimeOut Error!!";
inline constexpr std::string_view kOffsetMessage = "Offset Error!!";

// The message of the first failing check, in the order IP octets 1-4, mask
// octets 1-4, gateway octets 1-4, time-out, offset; nothing when all pass.
// The texts are judged by the integer rule and never changed.
std::optional<std::string> FirstGeneralParameterFault(const GeneralParameters& values);

// True when the text is an integer from 0 to 255.
bool IsOctet(std::string_view text);

// A value pulled into 1..255 (below 1 gives 1, above 255 gives 255).
int PullIntoRtuAddressRange(std::int32_t value);

// The address the document receives for the spin field's text: its integer
// pulled into 1..255, or 1 when the text is no integer.
int RtuAddressOf(std::string_view text);

}  // namespace fabrion
