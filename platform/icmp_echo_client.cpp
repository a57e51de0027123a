#include "platform/icmp_echo_client.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "platform/error.h"

#ifdef _WIN32
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

std::string Dotted(in_addr address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

// The IPv4 address of host, a dotted address or a name. Throws Error.
in_addr Resolve(const std::string& host) {
  if (host.empty()) throw Error("No host to ping");
  if (host.find('\0') != std::string::npos)
    throw Error("Cannot resolve the host " + Quoted(host) + ": it holds a NUL character");
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0 || found == nullptr)
    throw Error("Cannot resolve the host " + Quoted(host) + ": " + gai_strerror(status));
  const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return address;
}

std::string RequestData(const std::string& data) {
  return data.substr(0, std::min(data.size(), IcmpEchoClient::kMaxDataBytes));
}

#ifdef _WIN32

// getaddrinfo needs Winsock started on this thread's process.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw Error("Cannot start Windows Sockets");
  }
  ~WinsockSession() { WSACleanup(); }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
};

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

constexpr std::uint8_t kIcmpEchoReply = 0;
constexpr std::uint8_t kIcmpDestinationUnreachable = 3;
constexpr std::uint8_t kIcmpEchoRequest = 8;
constexpr std::uint8_t kIcmpTimeExceeded = 11;
constexpr std::uint8_t kIcmpParameterProblem = 12;
constexpr std::size_t kIcmpHeaderBytes = 8;
constexpr std::size_t kMinIpHeaderBytes = 20;

std::uint16_t Big16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

// The Internet checksum of RFC 1071 over bytes; 0 over a message whose checksum is right.
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

// The request an echo is waiting for the answer to.
struct Pending {
  in_addr target;
  std::uint16_t identifier;
  std::uint16_t sequence;
};

// What one received datagram is to the pending request.
struct Answer {
  enum Kind { kUnrelated, kEchoReply, kMalformed, kIcmpError } kind = kUnrelated;
  int bytes = 0;      // of the ICMP message
  std::string what;   // for kMalformed and kIcmpError
};

std::string IcmpErrorText(std::uint8_t type, std::uint8_t code, const std::string& from) {
  std::string kind = type == kIcmpDestinationUnreachable ? "destination unreachable"
                     : type == kIcmpTimeExceeded         ? "time to live exceeded"
                     : type == kIcmpParameterProblem     ? "parameter problem"
                                                         : "ICMP type " + std::to_string(type);
  return "The echo request was answered with " + kind + " (code " + std::to_string(code) +
         ") from " + from;
}

// Raw sockets deliver the IP header, datagram sockets of some systems too; an
// ICMP message never starts with the version nibble 4, so the header is told apart.
std::size_t IpHeaderBytes(const std::uint8_t* bytes, std::size_t size) {
  if (size < kMinIpHeaderBytes || (bytes[0] >> 4) != 4) return 0;
  return static_cast<std::size_t>(bytes[0] & 0x0F) * 4;
}

// Sorts a datagram from "from": the reply to pending, an ICMP error quoting it, or other traffic.
Answer Classify(const std::uint8_t* bytes, std::size_t size, in_addr from, const Pending& pending) {
  const std::size_t ipHeader = IpHeaderBytes(bytes, size);
  if (ipHeader > size || (ipHeader != 0 && ipHeader < kMinIpHeaderBytes)) return {};
  const std::uint8_t* icmp = bytes + ipHeader;
  const std::size_t icmpSize = size - ipHeader;
  if (icmpSize < kIcmpHeaderBytes) return {};

  const std::uint8_t type = icmp[0];
  if (type == kIcmpEchoReply) {
    if (from.s_addr != pending.target.s_addr || Big16(icmp + 4) != pending.identifier ||
        Big16(icmp + 6) != pending.sequence)
      return {};
    if (icmp[1] != 0 || InternetChecksum(icmp, icmpSize) != 0)
      return {Answer::kMalformed, 0, "The echo reply from " + Dotted(from) + " is malformed"};
    return {Answer::kEchoReply, static_cast<int>(icmpSize), {}};
  }
  if (type != kIcmpDestinationUnreachable && type != kIcmpTimeExceeded &&
      type != kIcmpParameterProblem)
    return {};
  // An ICMP error quotes the IP header and the first 8 bytes of the datagram it is about.
  const std::uint8_t* quoted = icmp + kIcmpHeaderBytes;
  const std::size_t quotedSize = icmpSize - kIcmpHeaderBytes;
  const std::size_t quotedHeader = IpHeaderBytes(quoted, quotedSize);
  if (quotedHeader < kMinIpHeaderBytes || quotedHeader + kIcmpHeaderBytes > quotedSize) return {};
  in_addr quotedTarget;
  std::copy(quoted + 16, quoted + 20, reinterpret_cast<std::uint8_t*>(&quotedTarget.s_addr));
  const std::uint8_t* quotedIcmp = quoted + quotedHeader;
  if (quoted[9] != IPPROTO_ICMP || quotedTarget.s_addr != pending.target.s_addr ||
      quotedIcmp[0] != kIcmpEchoRequest || Big16(quotedIcmp + 4) != pending.identifier ||
      Big16(quotedIcmp + 6) != pending.sequence)
    return {};
  return {Answer::kIcmpError, 0, IcmpErrorText(type, icmp[1], Dotted(from))};
}

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

// The error queued for the request: the ICMP error it drew or the local failure.
std::string QueuedErrorText(const Socket& socket) {
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
    if (error.ee_origin == SO_EE_ORIGIN_ICMP) {
      sockaddr_in from;
      std::copy(CMSG_DATA(c) + sizeof error, CMSG_DATA(c) + sizeof error + sizeof from,
                reinterpret_cast<std::uint8_t*>(&from));
      return IcmpErrorText(error.ee_type, error.ee_code, Dotted(from.sin_addr));
    }
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
  WinsockSession winsock;
  const in_addr target = Resolve(request.host);
  IcmpHandle icmp;
  std::string data = RequestData(request.data);
  std::vector<unsigned char> replies(sizeof(ICMP_ECHO_REPLY) + data.size() + 8 + 64);
  const DWORD count = IcmpSendEcho(icmp.get(), target.S_un.S_addr, data.data(),
                                   static_cast<WORD>(data.size()), nullptr, replies.data(),
                                   static_cast<DWORD>(replies.size()),
                                   static_cast<DWORD>(std::max(request.timeoutMilliseconds, 0)));
  if (count == 0) {
    const DWORD error = GetLastError();
    if (error == IP_REQ_TIMED_OUT) return onReply({});
    throw Error("The echo request to " + Quoted(request.host) + " failed (Windows error " +
                std::to_string(error) + ")");
  }
  const auto* reply = reinterpret_cast<const ICMP_ECHO_REPLY*>(replies.data());
  if (reply->Status == IP_REQ_TIMED_OUT) return onReply({});
  if (reply->Status != IP_SUCCESS)
    throw Error("The echo request to " + Quoted(request.host) + " was answered with status " +
                std::to_string(reply->Status));
  in_addr from;
  from.S_un.S_addr = reply->Address;
  onReply({static_cast<int>(reply->DataSize) + 8, Dotted(from)});
}

#else

void IcmpEchoClient::Echo(const EchoRequest& request, const ReplyHandler& onReply) {
  using std::chrono::steady_clock;
  const in_addr target = Resolve(request.host);
  const Socket socket = OpenIcmpSocket(kind_);
#ifdef __linux__
  if (!socket.raw()) AskForErrorQueue(socket);
#endif
  Pending pending{target, identifier_, ++sequence_};
  const std::vector<std::uint8_t> message =
      EchoRequestMessage(pending.identifier, pending.sequence, RequestData(request.data));
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr = target;
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
    if (wait.revents & POLLERR) throw Error(QueuedErrorText(socket));
#endif
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t size = recvfrom(socket.get(), received.data(), received.size(), 0,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (size < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (size < 0) throw Error("Receiving the echo reply failed: " + SystemErrorText(errno));
    const Answer answer =
        Classify(received.data(), static_cast<std::size_t>(size), from.sin_addr, pending);
    switch (answer.kind) {
      case Answer::kUnrelated:
        continue;
      case Answer::kEchoReply:
        onReply({answer.bytes, Dotted(from.sin_addr)});
        return;
      case Answer::kMalformed:
      case Answer::kIcmpError:
        throw Error(answer.what);
    }
  }
  onReply({});
}

#endif

}  // namespace fabrion
