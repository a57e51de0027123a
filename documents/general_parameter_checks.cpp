#include "documents/general_parameter_checks.h"

#include <tuple>
#include <utility>

#include "documents/integer_rule.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

bool IsDeviceWord(std::string_view text) {
  const std::optional<std::int32_t> value = ParseInteger(text);
  return value && *value >= 0 && *value <= kMaxDeviceWord;
}

}  // namespace

bool IsOctet(std::string_view text) {
  const std::optional<std::int32_t> value = ParseInteger(text);
  return value && *value >= 0 && *value <= 255;
}

std::optional<GeneralParameterFault> FirstFaultyField(const GeneralParameters& values) {
  using F = GeneralParameterField;
  const std::tuple<const std::array<std::string, 4>*, F, std::string_view> addresses[] = {
      {&values.ip, F::Ip, kIpOctetMessage},
      {&values.subnet, F::Subnet, kSubnetOctetMessage},
      {&values.gateway, F::Gateway, kGatewayOctetMessage}};
  for (const auto& [octets, field, message] : addresses)
    for (int i = 0; i < 4; ++i)
      if (!IsOctet((*octets)[i])) return GeneralParameterFault{field, i, std::string(message)};
  if (values.tcpPort < kMinTcpPort || values.tcpPort > kMaxDeviceWord)
    return GeneralParameterFault{F::TcpPort, 0, std::string(kTcpPortMessage)};
  if (!IsDeviceWord(values.timeOut))
    return GeneralParameterFault{F::TimeOut, 0, std::string(kTimeOutMessage)};
  if (!IsDeviceWord(values.offset))
    return GeneralParameterFault{F::Offset, 0, std::string(kOffsetMessage)};
  return std::nullopt;
}

std::optional<std::string> FirstGeneralParameterFault(const GeneralParameters& values) {
  if (auto fault = FirstFaultyField(values)) return std::move(fault->message);
  return std::nullopt;
}

std::vector<std::string> DeviceWordOverflows(const GeneralParameterTexts& texts) {
  std::vector<std::string> lines;
  for (const auto& [element, caption] : {std::pair{"TIME_OUT", "Timeout (ms)"},
                                         std::pair{"OFFSET", "System Data Offset"}}) {
    const std::optional<std::string>& text = texts.Text(element);
    const std::optional<std::int32_t> value = text ? ParseInteger(*text) : std::nullopt;
    if (!value || (*value >= 0 && *value <= kMaxDeviceWord)) continue;
    const auto word = static_cast<std::uint32_t>(*value) & 0xFFFFu;
    lines.push_back(std::string(caption) + " " + std::to_string(*value) +
                    " does not fit the device's 16-bit field: the device gets " +
                    std::to_string(word));
  }
  return lines;
}

std::vector<std::string> DeviceWordOverflowsIn(std::string_view parGenPath) {
  try {
    if (FileExists(parGenPath)) return DeviceWordOverflows(ReadGeneralParameterTexts(parGenPath));
  } catch (const Error&) {
  }
  return {};
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
