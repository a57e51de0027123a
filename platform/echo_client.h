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
  // then hands the status to onReply (0 bytes after the timeout) before returning.
  // Throws Error when the host cannot be resolved, ICMP is not permitted, a socket
  // call fails, or the answer to the request is malformed or not an echo reply.
  virtual void Echo(const EchoRequest& request, const ReplyHandler& onReply) = 0;
};

}  // namespace fabrion
