#include "platform/icmp_echo_client.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/icmp_message.h"
#include "platform/tcp_sockets.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // keeps std::min and std::max usable
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <icmpapi.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif
#ifdef __linux__
#include <linux/errqueue.h>
#endif

namespace fabrion {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The IPv4 address of host, a dotted address or a name. Throws Error.
// The resolver's text for a getaddrinfo failure (narrow, whatever UNICODE says).
std::string ResolverErrorText(int status) {
#ifdef _WIN32
  return gai_strerrorA(status);
#else
  return gai_strerror(status);
#endif
}

Ipv4Address Resolve(const std::string& host) {
  if (host.empty()) throw Error("No host to ping");
  if (host.find('\0') != std::string::npos)
    throw Error("Cannot resolve the host " + Quoted(host) + ": it holds a NUL character");
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0 || found == nullptr)
    throw Error("Cannot resolve the host " + Quoted(host) + ": " + ResolverErrorText(status));
  const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return ntohl(address.s_addr);
}

std::string RequestData(const std::string& data) {
  return data.substr(0, std::min(data.size(), IcmpEchoClient::kMaxDataBytes));
}

#ifdef _WIN32

// The statuses of an ICMP error about the request: the device did not answer.
bool IsIcmpErrorStatus(unsigned long status) {
  switch (status) {
    case IP_DEST_NET_UNREACHABLE:
    case IP_DEST_HOST_UNREACHABLE:
    case IP_DEST_PROT_UNREACHABLE:
    case IP_DEST_PORT_UNREACHABLE:
    case IP_TTL_EXPIRED_TRANSIT:
    case IP_TTL_EXPIRED_REASSEM:
      return true;
    default:
      return false;
  }
}

class IcmpHandle {
 public:
  IcmpHandle() : handle_(IcmpCreateFile()) {
    if (handle_ == INVALID_HANDLE_VALUE)
      throw Error("Cannot open the ICMP echo service (Windows error " +
                  std::to_string(GetLastError()) + ")");
  }
  ~IcmpHandle() { IcmpCloseHandle(handle_); }
  IcmpHandle(const IcmpHandle&) = delete;
  IcmpHandle& operator=(const IcmpHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

#else

class Socket {
 public:
  Socket(int descriptor, bool raw) : descriptor_(descriptor), raw_(raw) {}
  ~Socket() { close(descriptor_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return descriptor_; }
  bool raw() const { return raw_; }

 private:
  int descriptor_;
  bool raw_;
};

constexpr const char* kPermissionHint =
    " (admit the user's group in net.ipv4.ping_group_range or give the program cap_net_raw)";

Socket OpenIcmpSocket(IcmpSocketKind kind) {
  std::string refused;
  if (kind != IcmpSocketKind::kRaw) {
    const int datagram = socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
    if (datagram >= 0) return Socket(datagram, false);
    refused = "datagram socket: " + SystemErrorText(errno);
    if (kind == IcmpSocketKind::kDatagram)
      throw Error("ICMP echo is not permitted (" + refused + ")" + kPermissionHint);
  }
  const int raw = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  if (raw >= 0) return Socket(raw, true);
  if (!refused.empty()) refused += "; ";
  refused += "raw socket: " + SystemErrorText(errno);
  throw Error("ICMP echo is not permitted (" + refused + ")" + kPermissionHint);
}

#ifdef __linux__
// Datagram sockets hear of ICMP errors through the error queue only.
void AskForErrorQueue(const Socket& socket) {
  const int on = 1;
  if (setsockopt(socket.get(), SOL_IP, IP_RECVERR, &on, sizeof on) != 0)
    throw Error("Cannot prepare the ICMP socket: " + SystemErrorText(errno));
}

// The error queued for the request: nothing when it is an ICMP error about
// the request (the device did not answer), else the local failure's text.
std::optional<std::string> QueuedError(const Socket& socket) {
  std::uint8_t data[576];
  std::uint8_t control[512];
  iovec part{data, sizeof data};
  msghdr message{};
  sockaddr_in offender{};
  message.msg_name = &offender;
  message.msg_namelen = sizeof offender;
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  if (recvmsg(socket.get(), &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
    return "The ICMP socket failed: " + SystemErrorText(errno);
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
    sock_extended_err error;
    std::copy(CMSG_DATA(c), CMSG_DATA(c) + sizeof error, reinterpret_cast<std::uint8_t*>(&error));
    if (error.ee_origin == SO_EE_ORIGIN_ICMP) return std::nullopt;
    return "The echo request failed: " + SystemErrorText(static_cast<int>(error.ee_errno));
  }
  return "The ICMP socket reported an error without details";
}
#endif

#endif  // _WIN32

}  // namespace

IcmpEchoClient::IcmpEchoClient(IcmpSocketKind kind) : kind_(kind) {
  std::random_device random;
  identifier_ = static_cast<std::uint16_t>(random());
  sequence_ = static_cast<std::uint16_t>(random());
}

#ifdef _WIN32

void IcmpEchoClient::Echo(const EchoRequest& request, const ReplyHandler& onReply) {
  SocketLayer winsock;  // getaddrinfo needs Windows Sockets started
  const Ipv4Address target = Resolve(request.host);
  IcmpHandle icmp;
  std::string data = RequestData(request.data);
  std::vector<unsigned char> replies(sizeof(ICMP_ECHO_REPLY) + data.size() + 8 + 64);
  const DWORD count = IcmpSendEcho(icmp.get(), htonl(target), data.data(),
                                   static_cast<WORD>(data.size()), nullptr, replies.data(),
                                   static_cast<DWORD>(replies.size()),
                                   static_cast<DWORD>(std::max(request.timeoutMilliseconds, 0)));
  if (count == 0) {
    const DWORD error = GetLastError();
    if (error == IP_REQ_TIMED_OUT || IsIcmpErrorStatus(error)) return onReply({});
    throw Error("The echo request to " + Quoted(request.host) + " failed (Windows error " +
                std::to_string(error) + ")");
  }
  const auto* reply = reinterpret_cast<const ICMP_ECHO_REPLY*>(replies.data());
  if (reply->Status == IP_REQ_TIMED_OUT || IsIcmpErrorStatus(reply->Status)) return onReply({});
  if (reply->Status != IP_SUCCESS)
    throw Error("The echo request to " + Quoted(request.host) + " was answered with status " +
                std::to_string(reply->Status));
  onReply({static_cast<int>(reply->DataSize) + 8, DottedAddress(ntohl(reply->Address))});
}

#else

void IcmpEchoClient::Echo(const EchoRequest& request, const ReplyHandler& onReply) {
  using std::chrono::steady_clock;
  const Ipv4Address target = Resolve(request.host);
  const Socket socket = OpenIcmpSocket(kind_);
#ifdef __linux__
  if (!socket.raw()) AskForErrorQueue(socket);
#endif
  PendingEcho pending{target, identifier_, ++sequence_};
  const std::vector<std::uint8_t> message =
      EchoRequestMessage(pending.identifier, pending.sequence, RequestData(request.data));
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(target);
  const auto deadline = steady_clock::now() + std::chrono::milliseconds(request.timeoutMilliseconds);
  if (sendto(socket.get(), message.data(), message.size(), 0, reinterpret_cast<sockaddr*>(&to),
             sizeof to) < 0)
    throw Error("Cannot send the echo request to " + Quoted(request.host) + ": " +
                SystemErrorText(errno));
  if (!socket.raw()) {
    // Linux puts its own identifier (the socket's port) into datagram requests.
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(socket.get(), reinterpret_cast<sockaddr*>(&local), &length) == 0 &&
        local.sin_port != 0)
      pending.identifier = ntohs(local.sin_port);
  }

  std::vector<std::uint8_t> received(65536);
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) break;
    pollfd wait{socket.get(), POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) throw Error("Waiting for the echo reply failed: " + SystemErrorText(errno));
    if (ready == 0) break;
#ifdef __linux__
    if (wait.revents & POLLERR) {
      if (std::optional<std::string> failure = QueuedError(socket)) throw Error(*failure);
      return onReply({});
    }
#endif
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t size = recvfrom(socket.get(), received.data(), received.size(), 0,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (size < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (size < 0) throw Error("Receiving the echo reply failed: " + SystemErrorText(errno));
    const Ipv4Address source = ntohl(from.sin_addr.s_addr);
    const IcmpAnswer answer =
        ClassifyIcmpDatagram(received.data(), static_cast<std::size_t>(size), source, pending);
    switch (answer.kind) {
      case IcmpAnswer::kUnrelated:
        continue;
      case IcmpAnswer::kEchoReply:
        onReply({answer.bytes, DottedAddress(source)});
        return;
      case IcmpAnswer::kIcmpError:
        return onReply({});  // the request died on its way: nobody answered
      case IcmpAnswer::kMalformed:
        throw Error(answer.what);
    }
  }
  onReply({});
}

#endif

}  // namespace fabrion
