#pragma once
// Ping Device: one ICMP echo to the gateway's address and the result the Ping
// window shows for it.
#include <cstdint>
#include <string>

#include "platform/echo_client.h"

namespace fabrion {

class Clock;
class EventPump;

// PingStatus of the main window.
inline constexpr int kPingNoAnswer = 0;
inline constexpr int kPingFound = 1;
inline constexpr int kPingNotFound = 2;

// Result kinds of the Ping window, each with its sign.
inline constexpr int kPingResultFound = 0;     // information sign
inline constexpr int kPingResultNotFound = 1;  // warning sign
inline constexpr int kPingResultError = 2;     // error sign

// How long the wait after the echo may go on without a status (ms).
inline constexpr std::uint32_t kPingWaitBoundMilliseconds = 10000;
inline constexpr int kPingWaitStepMilliseconds = 10;

struct PingResult {
  int kind = kPingResultError;
  std::string title;
  std::string text;
  std::uint32_t answerMilliseconds = 0;  // from the request to the reply, when found
  bool operator==(const PingResult&) const = default;
};

// The reply handler: PingStatus := found when the reply carried bytes, else not found.
void Ping1Reply(int& pingStatus, const EchoReplyStatus& status);

// Pings address (the address field's text as typed, also sent as the data),
// waits for the status in 10 ms steps that process window events, at most
// 10000 ms after the start by the 32-bit tick counter, and returns the result
// to show. Never throws: any failure is the error result.
PingResult PingDevice(const std::string& address, int& pingStatus, Clock& clock, EventPump& pump,
                      EchoClient& echo);

}  // namespace fabrion
