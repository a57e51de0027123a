#include "documents/general_parameter_checks.h"

#include <utility>

#include "documents/integer_rule.h"

namespace fabrion {
namespace {

bool IsNonNegative(std::string_view text) {
  const std::optional<std::int32_t> value = ParseInteger(text);
  return value && *value >= 0;
}

}  // namespace

bool IsOctet(std::string_view text) {
  const std::optional<std::int32_t> value = ParseInteger(text);
  return value && *value >= 0 && *value <= 255;
}

std::optional<std::string> FirstGeneralParameterFault(const GeneralParameters& values) {
  const std::pair<const std::array<std::string, 4>*, std::string_view> addresses[] = {
      {&values.ip, kIpOctetMessage},
      {&values.subnet, kSubnetOctetMessage},
      {&values.gateway, kGatewayOctetMessage}};
  for (const auto& [octets, message] : addresses)
    for (const std::string& octet : *octets)
      if (!IsOctet(octet)) return std::string(message);
  if (!IsNonNegative(values.timeOut)) return std::string(kTimeOutMessage);
  if (!IsNonNegative(values.offset)) return std::string(kOffsetMessage);
  return std::nullopt;
}

int PullIntoRtuAddressRange(std::int32_t value) {
  if (value < kMinRtuAddress) return kMinRtuAddress;
  if (value > kMaxRtuAddress) return kMaxRtuAddress;
  return value;
}

int RtuAddressOf(std::string_view text) {
  const std::optional<std::int32_t> value = ParseInteger(text);
  return value ? PullIntoRtuAddressRange(*value) : kMinRtuAddress;
}

}  // namespace fabrion
