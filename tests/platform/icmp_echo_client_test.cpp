// Real echoes, only to 127.0.0.0/8 of this machine or inside a network
// namespace the test makes (and always deletes). Windows runs the loopback
// cases through its ICMP echo service.
#include "platform/icmp_echo_client.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <netinet/in.h>
#include <poll.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <thread>

#include "fakes/fake_platform.h"
#include "net/ping_device.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/icmp_message.h"

namespace fabrion {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

#ifdef _WIN32
// The ICMP echo service needs no privilege.
#define SKIP_WITHOUT_ICMP()
#else
bool IsRoot() { return geteuid() == 0; }

bool MayOpen(int type) {
  const int s = socket(AF_INET, type, IPPROTO_ICMP);
  if (s < 0) return false;
  close(s);
  return true;
}

bool MayEcho() { return MayOpen(SOCK_DGRAM) || MayOpen(SOCK_RAW); }

constexpr const char* kNoIcmpReason =
    "neither an ICMP datagram socket (net.ipv4.ping_group_range) nor a raw socket "
    "(root or CAP_NET_RAW) is permitted to this user";

// A network namespace of this test with only its loopback, deleted again on destruction.
class TestNamespace {
 public:
  explicit TestNamespace(bool loopbackUp = true) {
    static std::atomic<int> made{0};
    name_ = "fabrion-test-" + std::to_string(getpid()) + "-" + std::to_string(made++);
    created_ = Run("ip netns add " + name_);
    up_ = created_ && (!loopbackUp || Run("ip -n " + name_ + " link set lo up"));
  }
  ~TestNamespace() {
    if (created_) Run("ip netns delete " + name_);
  }
  TestNamespace(const TestNamespace&) = delete;
  TestNamespace& operator=(const TestNamespace&) = delete;

  bool Ready() const { return created_ && up_; }
  const std::string& Name() const { return name_; }

  // Sets one sysctl of the namespace ("net.ipv4.icmp_echo_ignore_all=1").
  bool Sysctl(const std::string& setting) {
    return Run("ip netns exec " + name_ + " sysctl -q -w '" + setting + "'");
  }

  // Runs body on a thread that has entered the namespace; rethrows what it throws.
  template <typename Body>
  void RunInside(Body body) {
    std::exception_ptr failure;
    std::thread inside([&] {
      try {
        const std::string path = "/run/netns/" + name_;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw std::runtime_error("cannot open " + path);
        const int entered = setns(fd, CLONE_NEWNET);
        close(fd);
        if (entered != 0) throw std::runtime_error("cannot enter " + path);
        body();
      } catch (...) {
        failure = std::current_exception();
      }
    });
    inside.join();
    if (failure) std::rethrow_exception(failure);
  }

 private:
  static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }
  std::string name_;
  bool created_ = false;
  bool up_ = false;
};

#define SKIP_WITHOUT_ICMP()                                      \
  if (!MayEcho() && !IsRoot()) GTEST_SKIP() << kNoIcmpReason
#endif

// Root must be able to make namespaces (CI runs as root); others may not.
#define REQUIRE_NAMESPACE(ns)                                                            \
  if (!(ns).Ready()) {                                                                   \
    if (!IsRoot()) GTEST_SKIP() << "making a network namespace needs root or CAP_SYS_ADMIN"; \
    FAIL() << "cannot make the network namespace " << (ns).Name();                     \
  }

std::optional<EchoReplyStatus> EchoOnce(IcmpEchoClient& client, const EchoRequest& request) {
  std::optional<EchoReplyStatus> delivered;
  client.Echo(request, [&delivered](const EchoReplyStatus& status) {
    EXPECT_FALSE(delivered) << "the status came twice";
    delivered = status;
  });
  return delivered;
}

// --- Loopback of this machine (addresses only: a name lookup could leave it) ---

TEST(IcmpEchoClient, LoopbackAnswers) {
  SKIP_WITHOUT_ICMP();
  IcmpEchoClient client;
  for (const char* address : {"127.0.0.1", "127.0.0.2", "127.1"}) {
    const auto status = EchoOnce(client, {address, "127.0.0.1"});
    ASSERT_TRUE(status) << address;
    EXPECT_EQ(status->receivedBytes, 8 + 9) << address;  // ICMP header and the data
    EXPECT_EQ(status->fromAddress, std::string(address) == "127.1" ? "127.0.0.1" : address);
  }
}

#ifndef _WIN32
TEST(IcmpEchoClient, RawSocketMatchesItsOwnReplies) {
  if (!MayOpen(SOCK_RAW)) {
    if (!IsRoot()) GTEST_SKIP() << "a raw ICMP socket needs root or CAP_NET_RAW";
    FAIL() << "root cannot open a raw ICMP socket";
  }
  // Two clients at once: a raw socket sees every echo reply, each keeps to its own.
  IcmpEchoClient first(IcmpSocketKind::kRaw), second(IcmpSocketKind::kRaw);
  for (int round = 0; round < 3; ++round) {
    std::optional<EchoReplyStatus> other;
    std::thread parallel([&] { other = EchoOnce(second, {"127.0.0.1", "second client data"}); });
    const auto mine = EchoOnce(first, {"127.0.0.1", "first"});
    parallel.join();
    ASSERT_TRUE(mine && other) << "round " << round;
    EXPECT_EQ(mine->receivedBytes, 8 + 5) << "round " << round;
    EXPECT_EQ(other->receivedBytes, 8 + 18) << "round " << round;
  }
}

#endif  // a raw socket of the program's own is POSIX's

TEST(IcmpEchoClient, LongDataIsCutToOneFrame) {
  SKIP_WITHOUT_ICMP();
  IcmpEchoClient client;
  const auto status = EchoOnce(client, {"127.0.0.1", std::string(40000, 'x')});
  ASSERT_TRUE(status);
  EXPECT_EQ(status->receivedBytes, static_cast<int>(8 + IcmpEchoClient::kMaxDataBytes));
}

TEST(IcmpEchoClient, PingDeviceFindsLoopback) {
  SKIP_WITHOUT_ICMP();
  IcmpEchoClient echo;
  SystemClock clock;
  test::CountingEventPump pump;
  int pingStatus = 0;
  const auto start = steady_clock::now();
  const PingResult result = PingDevice("127.0.0.1", pingStatus, clock, pump, echo);
  EXPECT_EQ(result.kind, 0);
  EXPECT_EQ(result.title, "Ping! Device Found!");
  EXPECT_EQ(result.text, "Device Found!");
  EXPECT_EQ(pump.count, 1);
  EXPECT_LT(steady_clock::now() - start, milliseconds(1000));
}

// --- Inside a namespace of the test ---

#ifndef _WIN32

TEST(IcmpEchoClient, DatagramSocketWhereThePingGroupRangeAdmitsTheUser) {
  TestNamespace ns;
  REQUIRE_NAMESPACE(ns);
  const std::string gid = std::to_string(getgid());
  ASSERT_TRUE(ns.Sysctl("net.ipv4.ping_group_range=" + gid + " " + gid));
  std::optional<EchoReplyStatus> status;
  ns.RunInside([&] {
    // The kernel puts its own identifier into these requests; the reply still matches.
    IcmpEchoClient client(IcmpSocketKind::kDatagram);
    status = EchoOnce(client, {"127.0.0.1", "abc"});
    if (status) status = EchoOnce(client, {"localhost", "abcdef"});
  });
  ASSERT_TRUE(status);
  EXPECT_EQ(status->receivedBytes, 8 + 6);
  EXPECT_EQ(status->fromAddress, "127.0.0.1");
}

TEST(IcmpEchoClient, DatagramSocketRefusedOutsideThePingGroupRange) {
  TestNamespace ns;
  REQUIRE_NAMESPACE(ns);
  ASSERT_TRUE(ns.Sysctl("net.ipv4.ping_group_range=1 0"));  // nobody
  std::string what;
  ns.RunInside([&] {
    IcmpEchoClient client(IcmpSocketKind::kDatagram);
    try {
      EchoOnce(client, {"127.0.0.1", "127.0.0.1"});
    } catch (const Error& error) {
      what = error.what();
    }
  });
  EXPECT_EQ(what,
            "ICMP echo is not permitted (datagram socket: Permission denied) (admit the user's "
            "group in net.ipv4.ping_group_range or give the program cap_net_raw)");
}

// The real client with every request's time-out cut short: a silent host
// costs the test a moment, not the program's 5 s (ping_device_test checks
// that the program asks for those).
class ShortTimeOutEcho : public EchoClient {
 public:
  static constexpr int kTimeOutMilliseconds = 300;
  void Echo(const EchoRequest& request, const ReplyHandler& onReply) override {
    EchoRequest shorter = request;
    shorter.timeoutMilliseconds = kTimeOutMilliseconds;
    real_.Echo(shorter, onReply);
  }

 private:
  IcmpEchoClient real_;
};

TEST(IcmpEchoClient, NoReplyGivesDeviceNotFoundAfterTheTimeOut) {
  TestNamespace ns;
  REQUIRE_NAMESPACE(ns);
  ASSERT_TRUE(ns.Sysctl("net.ipv4.icmp_echo_ignore_all=1"));
  PingResult result;
  int pingStatus = -1;
  steady_clock::duration took{};
  ns.RunInside([&] {
    ShortTimeOutEcho echo;
    SystemClock clock;
    test::CountingEventPump pump;
    const auto start = steady_clock::now();
    result = PingDevice("127.0.0.1", pingStatus, clock, pump, echo);
    took = steady_clock::now() - start;
  });
  EXPECT_EQ(result, (PingResult{1, "Ping! Device Not Found!", "Device Not Found!"}));
  EXPECT_EQ(pingStatus, 2);  // the client said: 0 bytes
  EXPECT_GE(took, milliseconds(ShortTimeOutEcho::kTimeOutMilliseconds));
  EXPECT_LT(took, milliseconds(ShortTimeOutEcho::kTimeOutMilliseconds + 1000));
}

// Inside a namespace of the test: answers each echo request to 127.0.0.1
// with an ICMP error of a type and code that quotes it, as a router between
// the program and a switched-off device would. Made on a thread inside the
// namespace, its own thread stays there too.
class IcmpErrorResponder {
 public:
  IcmpErrorResponder(std::uint8_t type, std::uint8_t code)
      : type_(type), code_(code), socket_(socket(AF_INET, SOCK_RAW, IPPROTO_ICMP)) {
    if (socket_ >= 0) thread_ = std::thread([this] { Run(); });
  }
  ~IcmpErrorResponder() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (socket_ >= 0) close(socket_);
  }
  bool Ready() const { return socket_ >= 0; }

 private:
  void Run() {
    std::uint8_t packet[1500];
    while (!stop_) {
      pollfd wait{socket_, POLLIN, 0};
      if (poll(&wait, 1, 50) <= 0) continue;
      const ssize_t size = recv(socket_, packet, sizeof packet, 0);
      const std::size_t ipHeader = size > 0 ? (packet[0] & 0x0F) * 4u : 0;
      if (size <= 0 || static_cast<std::size_t>(size) < ipHeader + 8 || packet[ipHeader] != 8)
        continue;  // only echo requests are answered
      std::vector<std::uint8_t> error = {type_, code_, 0, 0, 0, 0, 0, 0};
      error.insert(error.end(), packet, packet + ipHeader + 8);  // the IP header and 8 bytes
      const std::uint16_t checksum = InternetChecksum(error.data(), error.size());
      error[2] = static_cast<std::uint8_t>(checksum >> 8);
      error[3] = static_cast<std::uint8_t>(checksum);
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_addr.s_addr = htonl(0x7F000001);
      sendto(socket_, error.data(), error.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
  }
  std::uint8_t type_, code_;
  int socket_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// An ICMP error about the request means the device did not answer; only
// what the user can mend is an error.
TEST(IcmpEchoClient, IcmpErrorAboutTheRequestIsDeviceNotFoundAtOnce) {
  TestNamespace ns;
  REQUIRE_NAMESPACE(ns);
  ASSERT_TRUE(ns.Sysctl("net.ipv4.icmp_echo_ignore_all=1"));
  const std::string gid = std::to_string(getgid());
  ASSERT_TRUE(ns.Sysctl("net.ipv4.ping_group_range=" + gid + " " + gid));
  const struct {
    const char* name;
    std::uint8_t type, code;
  } errors[] = {{"host unreachable", 3, 1}, {"network unreachable", 3, 0}, {"time exceeded", 11, 0}};
  for (const auto& e : errors) {
    for (IcmpSocketKind kind : {IcmpSocketKind::kDatagram, IcmpSocketKind::kRaw}) {
      const char* socketName = kind == IcmpSocketKind::kRaw ? "raw" : "datagram";
      PingResult result;
      int pingStatus = -1;
      steady_clock::duration took{};
      bool responding = false;
      ns.RunInside([&] {
        IcmpErrorResponder responder(e.type, e.code);
        responding = responder.Ready();
        if (!responding) return;
        IcmpEchoClient echo(kind);
        SystemClock clock;
        test::CountingEventPump pump;
        const auto start = steady_clock::now();
        result = PingDevice("127.0.0.1", pingStatus, clock, pump, echo);
        took = steady_clock::now() - start;
      });
      ASSERT_TRUE(responding) << "the test's responder needs a raw socket (root)";
      EXPECT_EQ(result, (PingResult{1, "Ping! Device Not Found!", "Device Not Found!"}))
          << e.name << ", " << socketName << " socket";
      EXPECT_EQ(pingStatus, 2) << e.name << ", " << socketName << " socket";
      EXPECT_LT(took, milliseconds(2000)) << e.name << ", " << socketName << " socket";
    }
  }
}

// Names are looked up inside the namespace too: its lookups cannot leave it.
TEST(IcmpEchoClient, TextThatIsNoAddressNorNameIsAnError) {
  TestNamespace ns;
  REQUIRE_NAMESPACE(ns);
  struct Case {
    const char* host;
    const char* textStart;
  };
  for (const Case& c : {Case{"no-such-host.invalid", "Cannot resolve the host \"no-such-host.invalid\": "},
                        Case{"", "No host to ping"},
                        Case{"192.168.1.300", "Cannot resolve the host \"192.168.1.300\": "},
                        Case{"127.0.0.1 x", "Cannot resolve the host \"127.0.0.1 x\": "}}) {
    std::string what;
    bool delivered = false;
    PingResult result;
    ns.RunInside([&] {
      IcmpEchoClient client;
      try {
        client.Echo({c.host, c.host}, [&](const EchoReplyStatus&) { delivered = true; });
      } catch (const Error& error) {
        what = error.what();
      }
      SystemClock clock;
      test::CountingEventPump pump;
      int pingStatus = 0;
      result = PingDevice(c.host, pingStatus, clock, pump, client);
    });
    EXPECT_EQ(what.rfind(c.textStart, 0), 0u) << "host \"" << c.host << "\": " << what;
    EXPECT_FALSE(delivered) << "host \"" << c.host << "\"";
    EXPECT_EQ(result, (PingResult{2, "Ping! Error!!!", "Error!!! Check the Ip Address"}))
        << "host \"" << c.host << "\"";
  }
}

TEST(IcmpEchoClient, SocketErrorIsAnError) {
  TestNamespace ns(/*loopbackUp=*/false);
  REQUIRE_NAMESPACE(ns);
  std::string what;
  PingResult result;
  ns.RunInside([&] {
    IcmpEchoClient client;
    try {
      EchoOnce(client, {"127.0.0.1", "127.0.0.1"});
    } catch (const Error& error) {
      what = error.what();
    }
    SystemClock clock;
    test::CountingEventPump pump;
    int pingStatus = 0;
    result = PingDevice("127.0.0.1", pingStatus, clock, pump, client);
  });
  EXPECT_EQ(what, "Cannot send the echo request to \"127.0.0.1\": Network is unreachable");
  EXPECT_EQ(result, (PingResult{2, "Ping! Error!!!", "Error!!! Check the Ip Address"}));
}

#endif  // network namespaces are Linux's

}  // namespace
}  // namespace fabrion
