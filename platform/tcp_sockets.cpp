#include "platform/tcp_sockets.h"

#include "platform/error.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // keeps std::min and std::max usable
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace fabrion {
namespace {

sockaddr_in SocketAddress(const std::array<std::uint8_t, 4>& address, std::uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  const std::uint32_t host = (std::uint32_t{address[0]} << 24) | (std::uint32_t{address[1]} << 16) |
                             (std::uint32_t{address[2]} << 8) | std::uint32_t{address[3]};
  to.sin_addr.s_addr = htonl(host);
  return to;
}

}  // namespace

#ifdef _WIN32

SocketLayer::SocketLayer() {
  WSADATA data;
  const int status = WSAStartup(MAKEWORD(2, 2), &data);
  if (status != 0) throw Error("Cannot start Windows Sockets: " + SocketErrorText(status));
}

SocketLayer::~SocketLayer() { WSACleanup(); }

int LastSocketError() { return WSAGetLastError(); }

std::string SocketErrorText(int error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string message = length > 0 && text ? std::string(text, length) : std::string();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  // libmodbus reports its own failures in errno, with the C library's codes.
  return message.empty() ? SystemErrorText(error) : message;
}

bool MeansNoConnection(int error) {
  return error == WSAECONNREFUSED || error == WSAEHOSTUNREACH || error == WSAENETUNREACH ||
         error == WSAEHOSTDOWN || error == WSAENETDOWN || error == WSAETIMEDOUT;
}

bool MeansConnectionClosed(int error) {
  return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN ||
         error == WSAENOTCONN || error == ECONNRESET || error == EPIPE;
}

SocketHandle StartConnect(const std::array<std::uint8_t, 4>& address, std::uint16_t port,
                          int& error) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
    return kNoSocket;
  }
  u_long nonBlocking = 1;
  BOOL noDelay = TRUE;
  if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
      setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                 sizeof noDelay) != 0) {
    error = WSAGetLastError();
    closesocket(s);
    return kNoSocket;
  }
  const sockaddr_in to = SocketAddress(address, port);
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    error = WSAGetLastError();
    closesocket(s);
    return kNoSocket;
  }
  error = 0;
  return static_cast<SocketHandle>(s);
}

int ConnectOutcome(SocketHandle socket) {
  int error = 0;
  int length = sizeof error;
  if (getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_ERROR,
                 reinterpret_cast<char*>(&error), &length) != 0)
    return WSAGetLastError();
  return error;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(static_cast<SOCKET>(socket));
}

int ReceiveSocket(SocketHandle socket, std::uint8_t* buffer, int size, int& error) {
  const int got = recv(static_cast<SOCKET>(socket), reinterpret_cast<char*>(buffer), size, 0);
  if (got >= 0) return got;
  error = WSAGetLastError() == WSAEWOULDBLOCK ? 0 : WSAGetLastError();
  return -1;
}

bool SendSocket(SocketHandle socket, const std::uint8_t* bytes, int size, int& error) {
  const int sent = send(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(bytes), size, 0);
  if (sent == size) return true;
  error = sent < 0 ? WSAGetLastError() : WSAEWOULDBLOCK;
  return false;
}

// select, not WSAPoll: WSAPoll misses failed connects on older Windows.
// Windows' fd_set is a list of up to FD_SETSIZE sockets, not a bit field.
int WaitForSockets(std::vector<SocketWait>& waits, int timeoutMs) {
  fd_set readable, writable, failed;
  FD_ZERO(&readable);
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  bool any = false;
  for (SocketWait& wait : waits) {
    wait.ready = false;
    if (wait.socket == kNoSocket) continue;
    any = true;
    const SOCKET s = static_cast<SOCKET>(wait.socket);
    if (wait.connecting) {
      FD_SET(s, &writable);
      FD_SET(s, &failed);
    } else {
      FD_SET(s, &readable);
    }
  }
  if (!any) {  // select refuses empty sets
    Sleep(static_cast<DWORD>(timeoutMs));
    return 0;
  }
  timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (select(0, &readable, &writable, &failed, &limit) == SOCKET_ERROR) return WSAGetLastError();
  for (SocketWait& wait : waits) {
    if (wait.socket == kNoSocket) continue;
    const SOCKET s = static_cast<SOCKET>(wait.socket);
    wait.ready = wait.connecting ? FD_ISSET(s, &writable) || FD_ISSET(s, &failed)
                                 : FD_ISSET(s, &readable) != 0;
  }
  return 0;
}

#else

SocketLayer::SocketLayer() = default;
SocketLayer::~SocketLayer() = default;

int LastSocketError() { return errno; }

std::string SocketErrorText(int error) { return SystemErrorText(error); }

bool MeansNoConnection(int error) {
  return error == ECONNREFUSED || error == EHOSTUNREACH || error == ENETUNREACH ||
         error == EHOSTDOWN || error == ENETDOWN || error == ETIMEDOUT;
}

bool MeansConnectionClosed(int error) {
  return error == ECONNRESET || error == EPIPE || error == ECONNABORTED || error == ENOTCONN;
}

SocketHandle StartConnect(const std::array<std::uint8_t, 4>& address, std::uint16_t port,
                          int& error) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) {
    error = errno;
    return kNoSocket;
  }
  const int on = 1;
  const int flags = fcntl(s, F_GETFL, 0);
  bool prepared = flags != -1 && fcntl(s, F_SETFL, flags | O_NONBLOCK) != -1 &&
                  fcntl(s, F_SETFD, FD_CLOEXEC) != -1 &&
                  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
#ifdef SO_NOSIGPIPE
  // Where send has no MSG_NOSIGNAL, a write to a closed peer must not end the program.
  prepared = prepared && setsockopt(s, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on) == 0;
#endif
  if (!prepared) {
    error = errno;
    close(s);
    return kNoSocket;
  }
  const sockaddr_in to = SocketAddress(address, port);
  if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
      errno != EINPROGRESS && errno != EINTR) {
    error = errno;
    close(s);
    return kNoSocket;
  }
  error = 0;
  return s;
}

int ConnectOutcome(SocketHandle socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) close(socket);
}

int ReceiveSocket(SocketHandle socket, std::uint8_t* buffer, int size, int& error) {
  const ssize_t got = recv(socket, buffer, static_cast<std::size_t>(size), 0);
  if (got >= 0) return static_cast<int>(got);
  error = errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : errno;
  return -1;
}

bool SendSocket(SocketHandle socket, const std::uint8_t* bytes, int size, int& error) {
#ifdef MSG_NOSIGNAL
  constexpr int kFlags = MSG_NOSIGNAL;
#else
  constexpr int kFlags = 0;  // SO_NOSIGPIPE is set on the socket instead
#endif
  const ssize_t sent = send(socket, bytes, static_cast<std::size_t>(size), kFlags);
  if (sent == size) return true;
  error = sent < 0 ? errno : EAGAIN;
  return false;
}

// poll passes over a negative descriptor (kNoSocket).
int WaitForSockets(std::vector<SocketWait>& waits, int timeoutMs) {
  std::vector<pollfd> fds;
  fds.reserve(waits.size());
  for (SocketWait& wait : waits) {
    wait.ready = false;
    fds.push_back(pollfd{wait.socket, static_cast<short>(wait.connecting ? POLLOUT : POLLIN), 0});
  }
  const int found = poll(fds.data(), static_cast<nfds_t>(fds.size()), timeoutMs);
  if (found < 0) return errno == EINTR ? 0 : errno;
  for (std::size_t i = 0; i < waits.size(); ++i)
    waits[i].ready = fds[i].revents != 0;  // POLLERR, POLLHUP and POLLNVAL end a wait too
  return 0;
}

#endif

}  // namespace fabrion
