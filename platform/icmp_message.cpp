#include "platform/icmp_message.h"

#include <algorithm>

namespace fabrion {
namespace {

constexpr std::uint8_t kIcmpEchoReply = 0;
constexpr std::uint8_t kIcmpDestinationUnreachable = 3;
constexpr std::uint8_t kIcmpEchoRequest = 8;
constexpr std::uint8_t kIcmpTimeExceeded = 11;
constexpr std::uint8_t kIcmpParameterProblem = 12;
constexpr std::uint8_t kIpProtocolIcmp = 1;
constexpr std::size_t kIcmpHeaderBytes = 8;
constexpr std::size_t kMinIpHeaderBytes = 20;

std::uint16_t Big16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

Ipv4Address Big32(const std::uint8_t* bytes) {
  return (Ipv4Address{bytes[0]} << 24) | (Ipv4Address{bytes[1]} << 16) |
         (Ipv4Address{bytes[2]} << 8) | Ipv4Address{bytes[3]};
}

// Length of the IPv4 header in front of an ICMP message, 0 when there is none.
// Raw sockets deliver it, datagram sockets of some systems too; an ICMP message
// never starts with the version nibble 4, so the two are told apart. Returns a
// length past size for a header that does not fit.
std::size_t IpHeaderBytes(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0 || (bytes[0] >> 4) != 4) return 0;
  const std::size_t length = static_cast<std::size_t>(bytes[0] & 0x0F) * 4;
  return length < kMinIpHeaderBytes ? size + 1 : length;
}

}  // namespace

std::string DottedAddress(Ipv4Address address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::uint16_t InternetChecksum(const std::uint8_t* bytes, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) sum += Big16(bytes + i);
  if (size % 2 != 0) sum += static_cast<std::uint32_t>(bytes[size - 1]) << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::vector<std::uint8_t> EchoRequestMessage(std::uint16_t identifier, std::uint16_t sequence,
                                             const std::string& data) {
  std::vector<std::uint8_t> message(kIcmpHeaderBytes + data.size(), 0);
  message[0] = kIcmpEchoRequest;
  message[4] = static_cast<std::uint8_t>(identifier >> 8);
  message[5] = static_cast<std::uint8_t>(identifier);
  message[6] = static_cast<std::uint8_t>(sequence >> 8);
  message[7] = static_cast<std::uint8_t>(sequence);
  std::copy(data.begin(), data.end(), message.begin() + kIcmpHeaderBytes);
  const std::uint16_t checksum = InternetChecksum(message.data(), message.size());
  message[2] = static_cast<std::uint8_t>(checksum >> 8);
  message[3] = static_cast<std::uint8_t>(checksum);
  return message;
}

std::string IcmpErrorText(std::uint8_t type, std::uint8_t code, Ipv4Address from) {
  const std::string kind = type == kIcmpDestinationUnreachable ? "destination unreachable"
                           : type == kIcmpTimeExceeded         ? "time to live exceeded"
                           : type == kIcmpParameterProblem     ? "parameter problem"
                                                               : "ICMP type " + std::to_string(type);
  return "The echo request was answered with " + kind + " (code " + std::to_string(code) +
         ") from " + DottedAddress(from);
}

IcmpAnswer ClassifyIcmpDatagram(const std::uint8_t* bytes, std::size_t size, Ipv4Address from,
                                const PendingEcho& pending) {
  const std::size_t ipHeader = IpHeaderBytes(bytes, size);
  if (ipHeader > size) return {};
  const std::uint8_t* icmp = bytes + ipHeader;
  const std::size_t icmpSize = size - ipHeader;
  if (icmpSize < kIcmpHeaderBytes) return {};

  const std::uint8_t type = icmp[0];
  if (type == kIcmpEchoReply) {
    if (from != pending.target || Big16(icmp + 4) != pending.identifier ||
        Big16(icmp + 6) != pending.sequence)
      return {};
    if (icmp[1] != 0 || InternetChecksum(icmp, icmpSize) != 0)
      return {IcmpAnswer::kMalformed, 0,
              "The echo reply from " + DottedAddress(from) + " is malformed"};
    return {IcmpAnswer::kEchoReply, static_cast<int>(icmpSize), {}};
  }
  if (type != kIcmpDestinationUnreachable && type != kIcmpTimeExceeded &&
      type != kIcmpParameterProblem)
    return {};
  // An ICMP error quotes the IP header and the first 8 bytes of the datagram it is about.
  const std::uint8_t* quoted = icmp + kIcmpHeaderBytes;
  const std::size_t quotedSize = icmpSize - kIcmpHeaderBytes;
  const std::size_t quotedHeader = IpHeaderBytes(quoted, quotedSize);
  if (quotedHeader == 0 || quotedHeader + kIcmpHeaderBytes > quotedSize) return {};
  const std::uint8_t* quotedIcmp = quoted + quotedHeader;
  if (quoted[9] != kIpProtocolIcmp || Big32(quoted + 16) != pending.target ||
      quotedIcmp[0] != kIcmpEchoRequest || Big16(quotedIcmp + 4) != pending.identifier ||
      Big16(quotedIcmp + 6) != pending.sequence)
    return {};
  return {IcmpAnswer::kIcmpError, 0, IcmpErrorText(type, icmp[1], from)};
}

}  // namespace fabrion
