#pragma once
// Modbus TCP devices for tests, on 127.0.0.0/8 only and all on one port (the
// check uses one port for every device): a libmodbus server with a known
// map, a listener that never answers, and a peer that answers with bytes
// the test scripts. POSIX sockets or Windows Sockets.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#include <modbus.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fabrion::test {

// What the test server holds: 100 points of each type from address 0.
inline constexpr int kServedPoints = 100;
inline std::uint8_t ServedCoil(int address) { return address % 3 == 0 ? 1 : 0; }
inline std::uint8_t ServedInput(int address) { return address % 2; }
inline std::uint16_t ServedHolding(int address) { return static_cast<std::uint16_t>(1000 + address); }
inline std::uint16_t ServedInputRegister(int address) {
  return static_cast<std::uint16_t>(0xF000 + address);
}

// The sockets of the test devices are ints, as libmodbus keeps them (a
// Windows socket handle fits).
#ifdef _WIN32
inline void CloseSocket(int s) { closesocket(static_cast<SOCKET>(s)); }
inline int PollSockets(std::vector<pollfd>& fds, int milliseconds) {
  return WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), milliseconds);
}
inline constexpr int kSendFlags = 0;
// Windows Sockets started once for the tests' own sockets.
inline const bool kSocketsStarted = [] {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();
#else
inline void CloseSocket(int s) { close(s); }
inline int PollSockets(std::vector<pollfd>& fds, int milliseconds) {
  return poll(fds.data(), fds.size(), milliseconds);
}
inline constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

inline pollfd WaitForInput(int s) {
  pollfd entry{};
  entry.fd = s;
  entry.events = POLLIN;
  return entry;
}

// A listening socket on ip:port, or -1.
inline int ListenOn(const std::string& ip, std::uint16_t port) {
  const int s = static_cast<int>(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(port);
  inet_pton(AF_INET, ip.c_str(), &at.sin_addr);
#ifndef _WIN32  // on Windows it would let a second listener share the port
  const int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
  if (bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(s, 64) != 0) {
    CloseSocket(s);
    return -1;
  }
  return s;
}

inline std::uint16_t PortOf(int s) {
  sockaddr_in at{};
  socklen_t length = sizeof at;
  getsockname(s, reinterpret_cast<sockaddr*>(&at), &length);
  return ntohs(at.sin_port);
}

// Listening sockets on one free port, one per address.
class Listeners {
 public:
  explicit Listeners(const std::vector<std::string>& ips) {
    for (int attempt = 0; attempt < 50 && sockets_.size() != ips.size(); ++attempt) {
      CloseAll();
      for (const std::string& ip : ips) {
        const int s = ListenOn(ip, port_);
        if (s < 0) break;
        if (sockets_.empty()) port_ = PortOf(s);
        sockets_.push_back(s);
      }
      if (sockets_.size() != ips.size()) port_ = 0;
    }
    if (sockets_.size() != ips.size()) throw std::runtime_error("no free port for the test devices");
  }
  ~Listeners() { CloseAll(); }
  Listeners(const Listeners&) = delete;
  Listeners& operator=(const Listeners&) = delete;

  std::uint16_t port() const { return port_; }
  // Hands the listener of address i to its device (-1 is left behind).
  int Take(std::size_t i) { return std::exchange(sockets_[i], -1); }

 private:
  void CloseAll() {
    for (int s : sockets_)
      if (s >= 0) CloseSocket(s);
    sockets_.clear();
  }
  std::uint16_t port_ = 0;
  std::vector<int> sockets_;
};

// Serves every connection of a listener on a thread of its own: serve runs
// whenever a connection has data (or was closed) and returns false to close it.
class TestPeer {
 public:
  using Serve = std::function<bool(int connection)>;
  TestPeer(int listener, Serve serve)
      : listener_(listener), serve_(std::move(serve)), thread_([this] { Run(); }) {}
  ~TestPeer() {
    stop_ = true;
    thread_.join();
    CloseSocket(listener_);
  }
  TestPeer(const TestPeer&) = delete;
  TestPeer& operator=(const TestPeer&) = delete;

  int connections() const { return accepted_; }

 private:
  void Run() {
    std::vector<pollfd> fds{WaitForInput(listener_)};
    while (!stop_) {
      if (PollSockets(fds, 10) <= 0) continue;
      for (std::size_t i = fds.size(); i-- > 1;) {
        if (fds[i].revents == 0) continue;
        if (!serve_(static_cast<int>(fds[i].fd))) {
          CloseSocket(static_cast<int>(fds[i].fd));
          fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
        }
      }
      if (fds[0].revents & POLLIN) {
        const int connection = static_cast<int>(accept(listener_, nullptr, nullptr));
        if (connection >= 0) {
          ++accepted_;
          fds.push_back(WaitForInput(connection));
        }
      }
    }
    for (std::size_t i = 1; i < fds.size(); ++i) CloseSocket(static_cast<int>(fds[i].fd));
  }

  int listener_;
  Serve serve_;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

// A device served by libmodbus's server side with the Served* values.
class ModbusTestServer {
 public:
  explicit ModbusTestServer(int listener)
      : context_(modbus_new_tcp("127.0.0.1", 502)),
        map_(modbus_mapping_new(kServedPoints, kServedPoints, kServedPoints, kServedPoints)) {
    for (int a = 0; a < kServedPoints; ++a) {
      map_->tab_bits[a] = ServedCoil(a);
      map_->tab_input_bits[a] = ServedInput(a);
      map_->tab_registers[a] = ServedHolding(a);
      map_->tab_input_registers[a] = ServedInputRegister(a);
    }
    peer_ = std::make_unique<TestPeer>(listener, [this](int connection) {
      std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
      modbus_set_socket(context_, connection);
      const int length = modbus_receive(context_, query);
      if (length > 0) modbus_reply(context_, query, length, map_);
      return length != -1;
    });
  }
  ~ModbusTestServer() {
    peer_.reset();
    modbus_mapping_free(map_);
    modbus_free(context_);
  }
  ModbusTestServer(const ModbusTestServer&) = delete;
  ModbusTestServer& operator=(const ModbusTestServer&) = delete;

  int connections() const { return peer_->connections(); }

 private:
  modbus_t* context_;
  modbus_mapping_t* map_;
  std::unique_ptr<TestPeer> peer_;
};

// A device that accepts connections (the system does, from its backlog) and
// never answers.
class SilentListener {
 public:
  explicit SilentListener(int listener) : listener_(listener) {}
  ~SilentListener() {
    for (int caller : callers_) CloseSocket(caller);
    CloseSocket(listener_);
  }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  // How many callers have connected so far (each is accepted and kept
  // waiting): for QTRY_COMPARE, instead of a fixed wait for a caller.
  int Callers() {
    std::vector<pollfd> ready{WaitForInput(listener_)};
    while (PollSockets(ready, 0) == 1) {
      const int caller = static_cast<int>(accept(listener_, nullptr, nullptr));
      if (caller < 0) break;
      callers_.push_back(caller);
    }
    return static_cast<int>(callers_.size());
  }

 private:
  int listener_;
  std::vector<int> callers_;
};

inline const std::string kCloseConnection = "(close)";  // a chunk that closes instead

// A peer that reads each request and answers with what script returns for
// it: chunks of bytes sent 20 ms apart (an empty chunk only waits), ending
// with kCloseConnection to close the connection; no chunks close it at once.
class ScriptedPeer {
 public:
  using Script = std::function<std::vector<std::string>(const std::string& request)>;
  ScriptedPeer(int listener, Script script)
      : peer_(listener, [script = std::move(script)](int connection) {
          char request[MODBUS_TCP_MAX_ADU_LENGTH];
          const int length = static_cast<int>(recv(connection, request, sizeof request, 0));
          if (length <= 0) return false;
          const std::vector<std::string> chunks = script(std::string(request, length));
          for (std::size_t i = 0; i < chunks.size(); ++i) {
            if (chunks[i] == kCloseConnection) return false;
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            send(connection, chunks[i].data(), static_cast<int>(chunks[i].size()), kSendFlags);
          }
          return !chunks.empty();
        }) {}

 private:
  TestPeer peer_;
};

}  // namespace fabrion::test
