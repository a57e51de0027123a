// Real Modbus TCP conversations, only with devices of the test itself on
// 127.0.0.0/8.
#include "documents/ip_address.h"
#include "net/device_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "fakes/modbus_test_devices.h"
#include "fakes/translate_rows.h"

namespace fabrion {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using test::Listeners;
using test::Record;

constexpr std::array<std::uint8_t, 4> kLocal1 = {127, 0, 0, 1};
constexpr std::array<std::uint8_t, 4> kLocal2 = {127, 0, 0, 2};

}  // namespace

void PrintTo(const RowCheck& result, std::ostream* out) {
  *out << RowStatusName(result.status) << " [" << FirstValues(result, 200) << "] \""
       << RowReason(result) << "\"";
}

namespace {

RowCheck Ok(std::vector<std::uint16_t> values) { return {RowStatus::kOk, 0, std::move(values), ""}; }
RowCheck Status(RowStatus status, std::string message, int exception = 0) {
  return {status, exception, {}, std::move(message)};
}

DeviceCheckSettings On(std::uint16_t port, int timeoutMs = 1000, int retries = 0,
                       int deadlineMs = 0) {
  return DeviceCheckSettings{port, kDefaultUnit, timeoutMs, retries, deadlineMs};
}

// CheckDevices, with the response time checked (there for every answered
// row only) and then cleared, so that results compare as values.
std::vector<RowCheck> Check(const std::vector<TMyRec>& rows, const DeviceCheckSettings& settings,
                            const RowCheckedHook& checked = {}) {
  std::vector<RowCheck> results = CheckDevices(rows, settings, {}, checked);
  for (RowCheck& result : results) {
    const bool answered = result.status == RowStatus::kOk || result.status == RowStatus::kException;
    EXPECT_EQ(result.responseMs >= 0, answered) << result.responseMs;
    result.responseMs = -1;
  }
  return results;
}

milliseconds Since(steady_clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
}

// --- Devices that answer as libmodbus answers --------------------------------

TEST(DeviceCheck, ReadsEveryDataTypeOverOneConnection) {
  Listeners listeners({"127.0.0.1"});
  test::ModbusTestServer server(listeners.Take(0));
  const std::vector<TMyRec> rows = {
      Record(1, 0, kLocal1, 0, 10, "coils"),
      Record(2, 0, kLocal1, 3, 5, "inputs"),
      Record(3, 0, kLocal1, 10, 3, "holding"),
      Record(4, 0, kLocal1, 98, 2, "input registers"),
      Record(3, 0, kLocal1, 10, 0, "nothing to read"),
      Record(1, 0, kLocal1, 91, 9, "the map's last coils"),
  };
  std::vector<std::size_t> reported;
  const auto results = Check(rows, On(listeners.port()),
                             [&](std::size_t index, const RowCheck&) { reported.push_back(index); });
  const std::vector<RowCheck> expected = {
      Ok({1, 0, 0, 1, 0, 0, 1, 0, 0, 1}),
      Ok({1, 0, 1, 0, 1}),
      Ok({1010, 1011, 1012}),
      Ok({0xF000 + 98, 0xF000 + 99}),
      Status(RowStatus::kSkipped, ""),
      Ok({0, 0, 1, 0, 0, 1, 0, 0, 1}),
  };
  EXPECT_EQ(results, expected);
  EXPECT_EQ(reported, (std::vector<std::size_t>{4, 0, 1, 2, 3, 5}));
  EXPECT_EQ(server.connections(), 1);
}

TEST(DeviceCheck, ReportsAnExceptionAndGoesOnWithTheDevice) {
  Listeners listeners({"127.0.0.1"});
  test::ModbusTestServer server(listeners.Take(0));
  const std::vector<TMyRec> rows = {
      Record(3, 0, kLocal1, 99, 2, "beyond the map"),
      Record(4, 0, kLocal1, 1, 1, ""),
  };
  const auto results = Check(rows, On(listeners.port()));
  EXPECT_EQ(results[0], Status(RowStatus::kException, "Illegal Data Address", 2));
  EXPECT_EQ(RowReason(results[0]), "exception 2 (Illegal Data Address)");
  EXPECT_EQ(results[1], Ok({0xF001}));
  EXPECT_EQ(server.connections(), 1);
}

// --- Devices that cannot be reached or do not answer --------------------------

TEST(DeviceCheck, RefusedConnectionGivesEveryRowNoConnection) {
  Listeners listeners({"127.0.0.1"});  // the port; nothing listens on 127.0.0.2
  const std::vector<TMyRec> rows(3, Record(3, 0, kLocal2, 0, 1, ""));
  const auto results = CheckDevices(rows, On(listeners.port()));
  for (const RowCheck& result : results)
    EXPECT_EQ(result, Status(RowStatus::kNoConnection, "Connection refused"));
}

TEST(DeviceCheck, DeadDeviceWithManyRowsCostsOneWait) {
  Listeners listeners({"127.0.0.1", "127.0.0.3"});
  test::SilentListener silent(listeners.Take(0));
  test::ModbusTestServer server(listeners.Take(1));
  std::vector<TMyRec> rows(60, Record(3, 0, kLocal1, 0, 2, "silent"));
  rows.push_back(Record(3, 0, {127, 0, 0, 3}, 0, 1, "answers"));
  const auto start = steady_clock::now();
  const auto results = Check(rows, On(listeners.port(), 300));
  EXPECT_LT(Since(start), milliseconds(600));
  EXPECT_EQ(results[0], Status(RowStatus::kTimeOut, "no answer within 300 ms"));
  for (std::size_t i = 1; i < 60; ++i)
    EXPECT_EQ(results[i], Status(RowStatus::kTimeOut, "not asked: no answer to row 1 within 300 ms"))
        << "row " << i + 1;
  EXPECT_EQ(results[60], Ok({1000}));
}

TEST(DeviceCheck, ChecksAtMostEightDevicesAtOnce) {
  std::vector<std::string> ips;
  for (int i = 1; i <= 9; ++i) ips.push_back("127.0.0." + std::to_string(i));
  Listeners listeners(ips);
  std::vector<std::unique_ptr<test::SilentListener>> silent;
  std::vector<TMyRec> rows;
  for (std::size_t i = 0; i < ips.size(); ++i) {
    silent.push_back(std::make_unique<test::SilentListener>(listeners.Take(i)));
    rows.push_back(Record(3, 0, {127, 0, 0, static_cast<std::uint8_t>(i + 1)}, 0, 1, ""));
  }
  const auto start = steady_clock::now();
  const auto results = CheckDevices(rows, On(listeners.port(), 200));
  // The ninth device starts only when the first eight have had their wait.
  EXPECT_GE(Since(start), milliseconds(400));
  for (const RowCheck& result : results) EXPECT_EQ(result.status, RowStatus::kTimeOut);
}

TEST(DeviceCheck, StopEndsTheWaitsAndLeavesTheRestNotChecked) {
  Listeners listeners({"127.0.0.1", "127.0.0.3"});
  test::SilentListener silent(listeners.Take(0));
  test::ScriptedPeer halfAnswer(listeners.Take(1), [](const std::string& request) {
    return std::vector<std::string>{request.substr(0, 4)};
  });
  const std::vector<TMyRec> rows = {Record(1, 0, kLocal1, 0, 1, ""), Record(1, 0, kLocal1, 1, 1, ""),
                                    Record(1, 0, {127, 0, 0, 3}, 0, 1, "")};
  std::stop_source stop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(milliseconds(100));
    stop.request_stop();
  });
  const auto start = steady_clock::now();
  const auto results = CheckDevices(rows, On(listeners.port(), kMaxCheckTimeoutMs), stop.get_token());
  stopper.join();
  EXPECT_LT(Since(start), milliseconds(400));
  EXPECT_EQ(results, std::vector<RowCheck>(3));
}

TEST(DeviceCheck, SendsNothingToWhatIsNoDeviceAddress) {
  for (const std::array<std::uint8_t, 4> ip :
       {std::array<std::uint8_t, 4>{0, 0, 0, 0}, {224, 0, 0, 1}, {255, 255, 255, 255}}) {
    const auto results = CheckDevices({Record(3, 0, ip, 0, 1, "")}, On(502));
    EXPECT_EQ(results[0],
              Status(RowStatus::kError, DottedIp(ip) + " is not the address of a device"));
  }
}

// --- Peers that answer otherwise than libmodbus -------------------------------

// An answer to request (an ADU as the check sends it) with the given unit,
// function and bytes after the function.
std::string Answer(const std::string& request, int unit, int function, const std::string& pdu,
                   int transaction = -1) {
  const std::size_t length = 2 + pdu.size();
  std::string adu = transaction < 0 ? request.substr(0, 2)
                                    : std::string{char(transaction >> 8), char(transaction & 0xFF)};
  adu += std::string{0, 0, char(length >> 8), char(length & 0xFF), char(unit), char(function)};
  return adu + pdu;
}

TEST(DeviceCheck, SendsTheReadOfTheRowAsItStands) {
  Listeners listeners({"127.0.0.1"});
  std::vector<std::string> requests;
  {
    test::ScriptedPeer peer(listeners.Take(0), [&](const std::string& request) {
      requests.push_back(request);
      return std::vector<std::string>{Answer(request, 255, request[7] | 0x80, "\x02")};
    });
    const std::vector<TMyRec> rows = {Record(1, 0, kLocal1, 0, 1, ""),
                                      Record(2, 0, kLocal1, 40001, 126, ""),
                                      Record(3, 0, kLocal1, 65535, 125, ""),
                                      Record(4, 0, kLocal1, 256, 7, "")};
    CheckDevices(rows, On(listeners.port()));
  }
  const std::vector<std::string> expected = {
      std::string("\0\1\0\0\0\6\xFF\x01\x00\x00\x00\x01", 12),
      std::string("\0\2\0\0\0\6\xFF\x02\x9C\x41\x00\x7E", 12),
      std::string("\0\3\0\0\0\6\xFF\x03\xFF\xFF\x00\x7D", 12),
      std::string("\0\4\0\0\0\6\xFF\x04\x01\x00\x00\x07", 12),
  };
  EXPECT_EQ(requests, expected);
}

TEST(DeviceCheck, ReadsOtherPeersAsTheyAnswer) {
  using Script = test::ScriptedPeer::Script;
  const std::string twoRegisters("\x04\x12\x34\xAB\xCD", 5);
  struct Case {
    const char* name;
    Script script;
    RowCheck expected;
  };
  const std::vector<Case> cases = {
      {"answer split in three segments",
       [&](const std::string& r) {
         const std::string a = Answer(r, 255, 3, twoRegisters);
         return std::vector<std::string>{a.substr(0, 5), a.substr(5, 4), a.substr(9)};
       },
       Ok({0x1234, 0xABCD})},
      {"another unit", [&](const std::string& r) { return std::vector{Answer(r, 7, 3, twoRegisters)}; },
       Status(RowStatus::kError, "answer from unit 7, not from unit 255")},
      {"another function", [&](const std::string& r) { return std::vector{Answer(r, 255, 4, twoRegisters)}; },
       Status(RowStatus::kError, "answer with function 4 to a request with function 3")},
      {"too few bytes", [&](const std::string& r) { return std::vector{Answer(r, 255, 3, std::string("\x02\x00\x01", 3))}; },
       Status(RowStatus::kError, "answer with 2 data bytes where 4 were asked for")},
      {"only an answer to another request",
       [&](const std::string& r) { return std::vector{Answer(r, 255, 3, twoRegisters, 9)}; },
       Status(RowStatus::kTimeOut, "no answer within 300 ms")},
      {"exception code Modbus does not name",
       [&](const std::string& r) { return std::vector{Answer(r, 255, 0x83, "\x0C")}; },
       Status(RowStatus::kException, "exception 12", 12)},
      {"length field longer than the answer",
       [&](const std::string& r) {
         std::string a = Answer(r, 255, 3, twoRegisters);
         a[5] = 9;
         return std::vector{a};
       },
       Status(RowStatus::kTimeOut, "no complete answer within 300 ms (13 of 15 bytes)")},
      {"length field shorter than the answer",
       [&](const std::string& r) {
         std::string a = Answer(r, 255, 3, twoRegisters);
         a[5] = 5;
         return std::vector{a};
       },
       Status(RowStatus::kError, "the answer's length field says 5 bytes, but it has 7")},
      {"answer that stops half-way",
       [&](const std::string& r) { return std::vector{Answer(r, 255, 3, twoRegisters).substr(0, 4)}; },
       Status(RowStatus::kTimeOut, "no complete answer within 300 ms (4 bytes)")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Listeners listeners({"127.0.0.1"});
    test::ScriptedPeer peer(listeners.Take(0), c.script);
    const auto results = Check({Record(3, 0, kLocal1, 0, 2, "")}, On(listeners.port(), 300));
    EXPECT_EQ(results[0], c.expected);
  }
}

TEST(DeviceCheck, PeerThatClosesEndsItsRowsWithoutWaiting) {
  Listeners listeners({"127.0.0.1"});
  test::ScriptedPeer peer(listeners.Take(0),
                          [](const std::string&) { return std::vector<std::string>{}; });
  const std::vector<TMyRec> rows(3, Record(4, 0, kLocal1, 0, 1, ""));
  const auto start = steady_clock::now();
  const auto results = CheckDevices(rows, On(listeners.port(), 5000));
  EXPECT_LT(Since(start), milliseconds(1000));
  EXPECT_EQ(results[0], Status(RowStatus::kError, "the device closed the connection"));
  EXPECT_EQ(results[2],
            Status(RowStatus::kError, "not asked: the device closed the connection at row 1"));
}

// --- Faults of plant networks --------------------------------------------------

// Holding register a of these peers holds 100 + a, so that an answer shows
// which request it answers.
std::string Registers(const std::string& request) {
  const int value = 100 + (std::uint8_t(request[8]) << 8 | std::uint8_t(request[9]));
  return Answer(request, 255, 3, std::string{2, char(value >> 8), char(value & 0xFF)});
}

// A script that answers as given for the first request, then as Registers.
test::ScriptedPeer::Script FirstThen(std::vector<std::string> first) {
  return [first, asked = std::make_shared<int>(0)](const std::string& r) {
    return ++*asked == 1 ? first : std::vector<std::string>{Registers(r)};
  };
}

TEST(DeviceCheck, NeverTakesOneRequestsAnswerForAnother) {
  using Script = test::ScriptedPeer::Script;
  const std::string silence;  // a chunk that sends nothing
  const std::string notAsked = "not asked: ";
  struct Case {
    const char* name;
    Script script;
    DeviceCheckSettings settings;  // the port is filled in
    std::vector<RowCheck> expected;
  };
  const std::vector<Case> cases = {
      {"every answer twice", [](const std::string& r) { return std::vector{Registers(r), Registers(r)}; },
       On(0), {Ok({100}), Ok({101})}},
      {"the first answer after its time-out", FirstThen(std::vector<std::string>(21, silence)),
       On(0, 300, 1), {Ok({100}), Ok({101})}},
      {"bytes after the answer",
       [](const std::string& r) { return std::vector{Registers(r) + std::string(3, '\0')}; },
       On(0), {Ok({100}), Ok({101})}},
      {"half an answer, then a close",
       [](const std::string& r) { return std::vector{Registers(r).substr(0, 4), test::kCloseConnection}; },
       On(0, 5000),
       {Status(RowStatus::kError, "the device closed the connection"),
        Status(RowStatus::kError, notAsked + "the device closed the connection at row 1")}},
      {"a close after each answer",
       [](const std::string& r) { return std::vector{Registers(r), test::kCloseConnection}; },
       On(0), {Ok({100}), Ok({101})}},
      {"the first request lost, one retry", FirstThen({silence}), On(0, 300, 1), {Ok({100}), Ok({101})}},
      {"the first request lost, no retry", FirstThen({silence}), On(0, 300, 0),
       {Status(RowStatus::kTimeOut, "no answer within 300 ms"),
        Status(RowStatus::kTimeOut, notAsked + "no answer to row 1 within 300 ms")}},
      {"the check's deadline", [&](const std::string&) { return std::vector{silence}; },
       On(0, 5000, 1, 300),
       std::vector(2, Status(RowStatus::kNotChecked, notAsked + "the check's deadline passed"))},
      {"an HTTP answer",
       [](const std::string&) { return std::vector<std::string>{"HTTP/1.1 400 Bad Request\r\n\r\n"}; },
       On(0), std::vector(2, Status(RowStatus::kError, "not a Modbus TCP answer"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Listeners listeners({"127.0.0.1"});
    test::ScriptedPeer peer(listeners.Take(0), c.script);
    DeviceCheckSettings settings = c.settings;
    settings.port = listeners.port();
    const auto start = steady_clock::now();
    EXPECT_EQ(Check({Record(3, 0, kLocal1, 0, 1, ""), Record(3, 0, kLocal1, 1, 1, "")}, settings),
              c.expected);
    EXPECT_LT(Since(start), milliseconds(1000));
  }
}

}  // namespace
}  // namespace fabrion
