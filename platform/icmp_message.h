#pragma once
// ICMP echo messages as bytes: the request the echo client sends, and the sorting
// of what comes back (its reply, an ICMP error about it, or other traffic).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fabrion {

// An IPv4 address as a number: 127.0.0.1 is 0x7F000001.
using Ipv4Address = std::uint32_t;

std::string DottedAddress(Ipv4Address address);

// The Internet checksum (RFC 1071); 0 over a message whose checksum field is right.
std::uint16_t InternetChecksum(const std::uint8_t* bytes, std::size_t size);

// An echo request (type 8, code 0) carrying data, its checksum filled in.
std::vector<std::uint8_t> EchoRequestMessage(std::uint16_t identifier, std::uint16_t sequence,
                                             const std::string& data);

// The request whose answer an echo waits for.
struct PendingEcho {
  Ipv4Address target = 0;
  std::uint16_t identifier = 0;
  std::uint16_t sequence = 0;
};

struct IcmpAnswer {
  enum Kind { kUnrelated, kEchoReply, kMalformed, kIcmpError } kind = kUnrelated;
  int bytes = 0;     // of the ICMP message, for kEchoReply
  std::string what;  // for kMalformed and kIcmpError
};

// Sorts one datagram received from "from", with or without its IP header: the
// reply to pending (matched by source, identifier and sequence), a damaged reply,
// an ICMP error quoting pending, or anything else (unrelated).
IcmpAnswer ClassifyIcmpDatagram(const std::uint8_t* bytes, std::size_t size, Ipv4Address from,
                                const PendingEcho& pending);

// What an ICMP error of type and code from "from" says about the request.
std::string IcmpErrorText(std::uint8_t type, std::uint8_t code, Ipv4Address from);

}  // namespace fabrion
