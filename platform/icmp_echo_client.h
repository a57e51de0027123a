#pragma once
// The machine's ICMP echo, through the network stack of the operating system.
#include <cstddef>
#include <cstdint>

#include "platform/echo_client.h"

namespace fabrion {

// Which socket an echo may use; Windows has its own echo service and ignores this.
enum class IcmpSocketKind {
  kAutomatic,  // the unprivileged datagram socket, else a raw socket
  kDatagram,   // only the datagram socket (admitted by net.ipv4.ping_group_range)
  kRaw,        // only the raw socket (root or CAP_NET_RAW)
};

class IcmpEchoClient : public EchoClient {
 public:
  explicit IcmpEchoClient(IcmpSocketKind kind = IcmpSocketKind::kAutomatic);
  void Echo(const EchoRequest& request, const ReplyHandler& onReply) override;

  // Longest request data sent; longer data is cut to this (one unfragmented frame).
  static constexpr std::size_t kMaxDataBytes = 1472 - 8;

 private:
  IcmpSocketKind kind_;
  std::uint16_t identifier_;  // of our requests on a raw socket
  std::uint16_t sequence_;    // of the last request; each echo takes the next
};

}  // namespace fabrion
