#include "platform/icmp_message.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace fabrion {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Ipv4Address kLoopback = 0x7F000001;  // 127.0.0.1
constexpr Ipv4Address kRouter = 0xC0000201;    // 192.0.2.1, only ever bytes here
const PendingEcho kPending{kLoopback, 0x1234, 0x0007};

void SetChecksum(Bytes& icmp) {
  icmp[2] = icmp[3] = 0;
  const std::uint16_t checksum = InternetChecksum(icmp.data(), icmp.size());
  icmp[2] = static_cast<std::uint8_t>(checksum >> 8);
  icmp[3] = static_cast<std::uint8_t>(checksum);
}

Bytes Reply(std::uint16_t identifier, std::uint16_t sequence, const std::string& data) {
  Bytes icmp = EchoRequestMessage(identifier, sequence, data);
  icmp[0] = 0;
  SetChecksum(icmp);
  return icmp;
}

// An IPv4 header of headerBytes (20 + options) from source to target in front of payload.
Bytes WithIpHeader(const Bytes& payload, Ipv4Address source, Ipv4Address target,
                   std::uint8_t protocol = 1, std::size_t headerBytes = 20) {
  Bytes packet(headerBytes + payload.size(), 0);
  packet[0] = static_cast<std::uint8_t>(0x40 | (headerBytes / 4));
  packet[8] = 64;
  packet[9] = protocol;
  for (int i = 0; i < 4; ++i) {
    packet[12 + i] = static_cast<std::uint8_t>(source >> (24 - 8 * i));
    packet[16 + i] = static_cast<std::uint8_t>(target >> (24 - 8 * i));
  }
  std::copy(payload.begin(), payload.end(), packet.begin() + static_cast<long>(headerBytes));
  return packet;
}

// An ICMP error of type and code quoting the first 8 bytes of datagram.
Bytes IcmpError(std::uint8_t type, std::uint8_t code, const Bytes& datagram) {
  const std::size_t quoted = std::min(datagram.size(), std::size_t{(datagram[0] & 0x0Fu) * 4u + 8u});
  Bytes icmp(8 + quoted, 0);
  icmp[0] = type;
  icmp[1] = code;
  std::copy(datagram.begin(), datagram.begin() + static_cast<long>(quoted), icmp.begin() + 8);
  SetChecksum(icmp);
  return icmp;
}

// --- The request ---

TEST(IcmpMessage, EchoRequestBytes) {
  EXPECT_EQ(EchoRequestMessage(0x1234, 0x0001, "AB"),
            (Bytes{0x08, 0x00, 0xA4, 0x88, 0x12, 0x34, 0x00, 0x01, 'A', 'B'}));
  EXPECT_EQ(EchoRequestMessage(0x1234, 0x0001, "ABC"),  // odd length: last byte padded
            (Bytes{0x08, 0x00, 0x61, 0x88, 0x12, 0x34, 0x00, 0x01, 'A', 'B', 'C'}));
  EXPECT_EQ(EchoRequestMessage(0xFFFF, 0xFFFF, ""), (Bytes{0x08, 0x00, 0xF7, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(IcmpMessage, ChecksumFoldsCarries) {
  const Bytes rfc1071{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
  EXPECT_EQ(InternetChecksum(rfc1071.data(), rfc1071.size()), 0x220D);
  const Bytes request = EchoRequestMessage(0xBEEF, 0x0102, "127.0.0.1");
  EXPECT_EQ(InternetChecksum(request.data(), request.size()), 0);
}

TEST(IcmpMessage, DottedAddress) {
  EXPECT_EQ(DottedAddress(kLoopback), "127.0.0.1");
  EXPECT_EQ(DottedAddress(0), "0.0.0.0");
  EXPECT_EQ(DottedAddress(0xFFFFFFFF), "255.255.255.255");
  EXPECT_EQ(DottedAddress(0x0A00FF01), "10.0.255.1");
}

// --- Sorting what comes back ---

struct ClassifyCase {
  const char* name;
  Bytes datagram;
  Ipv4Address from;
  IcmpAnswer::Kind kind;
  int bytes;
  std::string what;
};

TEST(IcmpMessage, ClassifiesReceivedDatagrams) {
  const Bytes reply = Reply(0x1234, 0x0007, "127.0.0.1");
  Bytes damaged = reply;
  damaged.back() ^= 0x01;
  Bytes coded = reply;
  coded[1] = 1;
  SetChecksum(coded);
  const Bytes ourRequest =
      WithIpHeader(EchoRequestMessage(0x1234, 0x0007, "127.0.0.1"), kLoopback, kLoopback);
  const Bytes otherRequest =
      WithIpHeader(EchoRequestMessage(0x1234, 0x0008, "127.0.0.1"), kLoopback, kLoopback);
  const Bytes udp = WithIpHeader(Bytes(8, 0x11), kLoopback, kLoopback, 17);
  Bytes shortIhl = WithIpHeader(reply, kLoopback, kLoopback);
  shortIhl[0] = 0x44;
  Bytes quoteCut = IcmpError(3, 1, ourRequest);
  quoteCut.resize(quoteCut.size() - 1);

  const std::vector<ClassifyCase> cases = {
      {"reply without IP header", reply, kLoopback, IcmpAnswer::kEchoReply, 17, ""},
      {"reply with IP header", WithIpHeader(reply, kLoopback, kLoopback), kLoopback,
       IcmpAnswer::kEchoReply, 17, ""},
      {"reply with IP options", WithIpHeader(reply, kLoopback, kLoopback, 1, 24), kLoopback,
       IcmpAnswer::kEchoReply, 17, ""},
      {"empty reply", Reply(0x1234, 0x0007, ""), kLoopback, IcmpAnswer::kEchoReply, 8, ""},
      {"other sequence", Reply(0x1234, 0x0006, "127.0.0.1"), kLoopback, IcmpAnswer::kUnrelated, 0, ""},
      {"other identifier", Reply(0x1235, 0x0007, "127.0.0.1"), kLoopback, IcmpAnswer::kUnrelated, 0, ""},
      {"other source", reply, 0x7F000002, IcmpAnswer::kUnrelated, 0, ""},
      {"bad checksum", damaged, kLoopback, IcmpAnswer::kMalformed, 0,
       "The echo reply from 127.0.0.1 is malformed"},
      {"code not 0", coded, kLoopback, IcmpAnswer::kMalformed, 0,
       "The echo reply from 127.0.0.1 is malformed"},
      {"own request on loopback", ourRequest, kLoopback, IcmpAnswer::kUnrelated, 0, ""},
      {"shorter than a header", Bytes(reply.begin(), reply.begin() + 7), kLoopback,
       IcmpAnswer::kUnrelated, 0, ""},
      {"nothing", Bytes{}, kLoopback, IcmpAnswer::kUnrelated, 0, ""},
      {"IP header longer than the datagram", Bytes{0x4F, 0, 0, 0, 0, 0, 0, 0, 0, 1}, kLoopback,
       IcmpAnswer::kUnrelated, 0, ""},
      {"IP header length below 20", shortIhl, kLoopback, IcmpAnswer::kUnrelated, 0, ""},
      {"unreachable about our request", WithIpHeader(IcmpError(3, 1, ourRequest), kRouter, kRouter),
       kRouter, IcmpAnswer::kIcmpError, 0,
       "The echo request was answered with destination unreachable (code 1) from 192.0.2.1"},
      {"time exceeded about our request", IcmpError(11, 0, ourRequest), kRouter,
       IcmpAnswer::kIcmpError, 0,
       "The echo request was answered with time to live exceeded (code 0) from 192.0.2.1"},
      {"parameter problem about our request", IcmpError(12, 0, ourRequest), kRouter,
       IcmpAnswer::kIcmpError, 0,
       "The echo request was answered with parameter problem (code 0) from 192.0.2.1"},
      {"unreachable about another request", IcmpError(3, 1, otherRequest), kRouter,
       IcmpAnswer::kUnrelated, 0, ""},
      {"unreachable about a request elsewhere",
       IcmpError(3, 1, WithIpHeader(EchoRequestMessage(0x1234, 0x0007, ""), kLoopback, kRouter)),
       kRouter, IcmpAnswer::kUnrelated, 0, ""},
      {"unreachable about UDP", IcmpError(3, 3, udp), kLoopback, IcmpAnswer::kUnrelated, 0, ""},
      {"unreachable with a cut quote", quoteCut, kRouter, IcmpAnswer::kUnrelated, 0, ""},
      {"redirect about our request", IcmpError(5, 1, ourRequest), kRouter, IcmpAnswer::kUnrelated,
       0, ""},
  };
  for (const ClassifyCase& c : cases) {
    const IcmpAnswer answer = ClassifyIcmpDatagram(c.datagram.data(), c.datagram.size(), c.from, kPending);
    EXPECT_EQ(answer.kind, c.kind) << c.name;
    EXPECT_EQ(answer.bytes, c.bytes) << c.name;
    EXPECT_EQ(answer.what, c.what) << c.name;
  }
}

}  // namespace
}  // namespace fabrion
