#include "net/ping_device.h"

#include <exception>

#include "platform/clock.h"
#include "platform/event_pump.h"

namespace fabrion {

void Ping1Reply(int& pingStatus, const EchoReplyStatus& status) {
  pingStatus = status.receivedBytes > 0 ? kPingFound : kPingNotFound;
}

PingResult PingDevice(const std::string& address, int& pingStatus, Clock& clock, EventPump& pump,
                      EchoClient& echo) {
  try {
    const std::uint32_t t0 = clock.TickCount();
    pingStatus = kPingNoAnswer;
    const EchoRequest request{address, address, kEchoTimeoutMilliseconds};
    std::uint32_t answered = 0;
    echo.Echo(request, [&](const EchoReplyStatus& status) {
      answered = static_cast<std::uint32_t>(clock.TickCount() - t0);
      Ping1Reply(pingStatus, status);
    });
    do {
      clock.SleepMilliseconds(kPingWaitStepMilliseconds);
      pump.ProcessEvents();
    } while (pingStatus == kPingNoAnswer &&
             static_cast<std::uint32_t>(clock.TickCount() - t0) <= kPingWaitBoundMilliseconds);
    if (pingStatus == kPingFound)
      return {kPingResultFound, "Ping! Device Found!", "Device Found!", answered};
    return {kPingResultNotFound, "Ping! Device Not Found!", "Device Not Found!"};
  } catch (const std::exception&) {
    return {kPingResultError, "Ping! Error!!!", "Error!!! Check the Ip Address"};
  }
}

}  // namespace fabrion
