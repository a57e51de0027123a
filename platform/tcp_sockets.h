#pragma once
// Non-blocking IPv4 TCP client sockets and one wait over many of them, so
// that one thread can talk to several devices at once.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fabrion {

// A socket as an int on every platform (Windows handles fit), -1 for none.
using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;

// Keeps the system's socket layer started while it lives (Windows Sockets;
// nothing to start elsewhere). Throws Error when it cannot be started.
class SocketLayer {
 public:
  SocketLayer();
  ~SocketLayer();
  SocketLayer(const SocketLayer&) = delete;
  SocketLayer& operator=(const SocketLayer&) = delete;
};

// Opens a non-blocking TCP socket (no delay, no SIGPIPE) and starts
// connecting it to address:port. Returns the socket, connecting or already
// connected; kNoSocket with the system's error code in error when the
// attempt failed at once.
SocketHandle StartConnect(const std::array<std::uint8_t, 4>& address, std::uint16_t port,
                          int& error);

// For a socket whose connect the wait found ended: 0 when it is connected,
// else the system's error code (refused, unreachable...).
int ConnectOutcome(SocketHandle socket);

void CloseSocket(SocketHandle socket);

// Takes up to size bytes that have arrived on the socket into buffer.
// Returns their number, 0 when the peer has closed the connection, or -1
// with the system's error code in error (0 when nothing has arrived yet).
int ReceiveSocket(SocketHandle socket, std::uint8_t* buffer, int size, int& error);

// Sends size bytes (a short request: all of them fit the empty send buffer
// of a connected socket). False with the system's error code in error when
// they could not all be sent; never raises SIGPIPE.
bool SendSocket(SocketHandle socket, const std::uint8_t* bytes, int size, int& error);

// One socket of a wait; a wait passes over kNoSocket.
struct SocketWait {
  SocketHandle socket = kNoSocket;
  bool connecting = false;  // waits for the end of its connect, else for data
  bool ready = false;       // set by the wait: the connect ended, or data or the close arrived
};

// Waits at most timeoutMs (0 only looks) until a socket is ready and marks
// every ready one. Returns 0 (also when interrupted, with none marked), or
// the system's error code when the wait itself failed.
int WaitForSockets(std::vector<SocketWait>& waits, int timeoutMs);

// The error code of the last failed socket call of this thread.
int LastSocketError();
// The system's text for a socket error code ("Connection refused").
std::string SocketErrorText(int error);
// True for codes that mean the device is not reachable or not listening:
// refused, host or network unreachable or down, the system's own time-out.
bool MeansNoConnection(int error);
// True for codes that mean the peer closed or reset the connection.
bool MeansConnectionClosed(int error);

}  // namespace fabrion
