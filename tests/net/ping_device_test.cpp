#include "net/ping_device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

#include "fakes/fake_platform.h"

namespace fabrion {

static void PrintTo(const PingResult& r, std::ostream* out) {
  *out << "{" << r.kind << ", \"" << r.title << "\", \"" << r.text << "\"}";
}

namespace {

const PingResult kFound{0, "Ping! Device Found!", "Device Found!"};
const PingResult kNotFound{1, "Ping! Device Not Found!", "Device Not Found!"};
const PingResult kError{2, "Ping! Error!!!", "Error!!! Check the Ip Address"};

class PingDeviceTest : public ::testing::Test {
 protected:
  PingResult Ping(const std::string& address = "192.0.2.10") {
    return PingDevice(address, pingStatus, fake.clock, fake.pump, fake.echo);
  }
  // A loop that never ends would hang the suite; stop it as a failure instead.
  void SetUp() override {
    fake.pump.onProcess = [this] {
      if (fake.pump.count > 5000) throw std::runtime_error("the wait loop does not end");
    };
  }
  test::FakePlatform fake;
  int pingStatus = 0;
};

// --- The echo and its status ---

TEST_F(PingDeviceTest, SendsTheTextAsTypedAsHostAndData) {
  EXPECT_EQ(Ping(" 192.0.2.10 "), kFound);
  ASSERT_EQ(fake.echo.requests.size(), 1u);
  EXPECT_EQ(fake.echo.requests[0].host, " 192.0.2.10 ");
  EXPECT_EQ(fake.echo.requests[0].data, " 192.0.2.10 ");
  EXPECT_EQ(fake.echo.requests[0].timeoutMilliseconds, 5000);
}

TEST_F(PingDeviceTest, DeliveredStatusEndsTheLoopAfterOnePass) {
  EXPECT_EQ(Ping(), kFound);
  EXPECT_EQ(pingStatus, 1);
  EXPECT_EQ(fake.clock.sleeps, 1);
  EXPECT_EQ(fake.clock.ticks, 10u);
  EXPECT_EQ(fake.pump.count, 1);
}

TEST_F(PingDeviceTest, ReceivedByteCountDecidesFoundOrNotFound) {
  struct Case {
    int bytes;
    int status;
    PingResult result;
  };
  for (const Case& c : {Case{1, 1, kFound}, Case{84, 1, kFound}, Case{0, 2, kNotFound},
                        Case{-1, 2, kNotFound}, Case{INT32_MIN, 2, kNotFound}}) {
    fake.echo.reply = EchoReplyStatus{c.bytes, "192.0.2.10"};
    EXPECT_EQ(Ping(), c.result) << "received bytes " << c.bytes;
    EXPECT_EQ(pingStatus, c.status) << "received bytes " << c.bytes;
  }
}

// --- The 10 s bound when no status comes ---

TEST_F(PingDeviceTest, NoStatusEndsAfterTenSecondsAsNotFound) {
  fake.echo.deliver = false;
  pingStatus = 1;  // from an earlier ping: reset at the start
  EXPECT_EQ(Ping(), kNotFound);
  EXPECT_EQ(pingStatus, 0);
  // The loop goes on while at most 10000 ms have passed: 1001 passes of 10 ms.
  EXPECT_EQ(fake.clock.sleeps, 1001);
  EXPECT_EQ(fake.pump.count, 1001);
}

TEST_F(PingDeviceTest, TimeSpentInTheEchoCountsTowardsTheBound) {
  fake.echo.deliver = false;
  fake.echo.whileWaiting = [this] { fake.clock.ticks += 5000; };
  EXPECT_EQ(Ping(), kNotFound);
  EXPECT_EQ(fake.clock.sleeps, 501);
}

TEST(PingDeviceWrap, TickCounterWrapDuringTheLoopDoesNoHarm) {
  for (std::uint32_t start : {0xFFFFFFFFu - 5000u, 0xFFFFFFFFu - 5u, 0xFFFFFFFFu, 0xFFFFFFFFu - 9999u}) {
    test::FakePlatform fake;
    fake.clock.ticks = start;
    fake.echo.deliver = false;
    fake.pump.onProcess = [&fake] {
      if (fake.pump.count > 5000) throw std::runtime_error("the wait loop does not end");
    };
    int pingStatus = 0;
    EXPECT_EQ(PingDevice("192.0.2.10", pingStatus, fake.clock, fake.pump, fake.echo), kNotFound)
        << "ticks start at " << start;
    EXPECT_EQ(fake.clock.sleeps, 1001) << "ticks start at " << start;
  }
}

TEST_F(PingDeviceTest, StatusSetWhileEventsAreProcessedEndsTheLoop) {
  fake.echo.deliver = false;
  fake.pump.onProcess = [this] {
    if (fake.pump.count == 3) Ping1Reply(pingStatus, EchoReplyStatus{64, "192.0.2.10"});
  };
  EXPECT_EQ(Ping(), kFound);
  EXPECT_EQ(fake.clock.sleeps, 3);
}

// --- Errors ---

TEST_F(PingDeviceTest, EchoErrorGivesTheErrorResultAndNoWait) {
  fake.echo.error = "Cannot resolve the host \"gateway\": Name or service not known";
  pingStatus = 2;
  EXPECT_EQ(Ping("gateway"), kError);
  EXPECT_EQ(pingStatus, 0);
  EXPECT_EQ(fake.clock.sleeps, 0);
  EXPECT_EQ(fake.pump.count, 0);
}

TEST_F(PingDeviceTest, ErrorWhileWaitingGivesTheErrorResult) {
  fake.echo.deliver = false;
  fake.pump.onProcess = [] { throw std::runtime_error("event handler failed"); };
  EXPECT_EQ(Ping(), kError);
}

}  // namespace
}  // namespace fabrion
