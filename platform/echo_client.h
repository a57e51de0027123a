#pragma once
// One ICMP echo to a host: the request, the wait for its reply and the
// reply's status handed to the caller's reply handler.
#include <functional>
#include <string>

namespace fabrion {

// How long an echo waits for its reply.
inline constexpr int kEchoTimeoutMilliseconds = 5000;

struct EchoRequest {
  std::string host;  // IPv4 address or host name, exactly as typed
  std::string data;  // the request's data
  int timeoutMilliseconds = kEchoTimeoutMilliseconds;
};

struct EchoReplyStatus {
  int receivedBytes = 0;    // bytes of the ICMP reply; 0 when none came within the timeout
  std::string fromAddress;  // dotted address the reply came from; empty after a timeout
};

class EchoClient {
 public:
  using ReplyHandler = std::function<void(const EchoReplyStatus&)>;
  virtual ~EchoClient() = default;
  // Sends one echo request and waits up to its timeout for the matching reply,
  // then hands the status to onReply before returning: 0 bytes after the
  // timeout, and likewise at once when an ICMP error about the request came
  // back (destination or host unreachable, time exceeded): the device did
  // not answer. Throws Error for what the user can mend: a host that cannot
  // be resolved, no permission for ICMP, a socket call that fails, or a
  // malformed echo reply.
  virtual void Echo(const EchoRequest& request, const ReplyHandler& onReply) = 0;
};

}  // namespace fabrion
