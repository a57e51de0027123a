// Times the device check against devices of its own on 127.0.0.0/8: a full
// table of 1400 rows over 10 devices that answer (libmodbus servers), and
// 10 devices that never answer, with the default time-out and one retry,
// without and with a deadline for the whole check.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fakes/modbus_test_devices.h"
#include "net/device_check.h"

using namespace fabrion;

namespace {

using Seconds = std::chrono::duration<double>;

std::vector<std::string> LocalAddresses(int count) {
  std::vector<std::string> ips;
  for (int i = 1; i <= count; ++i) ips.push_back("127.0.0." + std::to_string(i));
  return ips;
}

std::array<std::uint8_t, 4> Local(int i) { return {127, 0, 0, static_cast<std::uint8_t>(i + 1)}; }

struct Timed {
  double seconds;
  std::vector<RowCheck> results;
};

Timed TimeCheck(const std::vector<TMyRec>& rows, std::uint16_t port, int deadlineMs = 0) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<RowCheck> results = CheckDevices(
      rows, DeviceCheckSettings{port, kDefaultUnit, kDefaultCheckTimeoutMs, 1, deadlineMs});
  return {Seconds(std::chrono::steady_clock::now() - start).count(), std::move(results)};
}

int Count(const std::vector<RowCheck>& results, RowStatus status) {
  return static_cast<int>(std::count_if(results.begin(), results.end(),
                                        [&](const RowCheck& r) { return r.status == status; }));
}

// 1400 rows of every data type, 1 to 100 points each, over 10 devices.
void FullTable() {
  constexpr int kDevices = 10;
  test::Listeners listeners(LocalAddresses(kDevices));
  std::vector<std::unique_ptr<test::ModbusTestServer>> servers;
  for (int i = 0; i < kDevices; ++i)
    servers.push_back(std::make_unique<test::ModbusTestServer>(listeners.Take(static_cast<std::size_t>(i))));
  std::vector<TMyRec> rows;
  for (int i = 0; i < kMaxTranslateRows; ++i) {
    const auto points = static_cast<std::uint8_t>(1 + i % test::kServedPoints);
    rows.push_back(TMyRec{static_cast<std::uint8_t>(1 + i % 4), static_cast<std::uint16_t>(i),
                          Local(i % kDevices), 0, points, ""});
  }
  std::vector<double> runs;
  int ok = 0;
  for (int run = 0; run < 5; ++run) {
    const Timed timed = TimeCheck(rows, listeners.port());
    runs.push_back(timed.seconds);
    ok = Count(timed.results, RowStatus::kOk);
  }
  std::sort(runs.begin(), runs.end());
  std::printf("1400 rows over 10 answering devices: best %.3f s, median %.3f s, worst %.3f s "
              "(target < 0.1 s); %d of 1400 rows ok\n",
              runs.front(), runs[runs.size() / 2], runs.back(), ok);
}

// Devices that accept the connection and never answer, one row each.
void SilentDevices(int devices, int deadlineMs) {
  test::Listeners listeners(LocalAddresses(devices));
  std::vector<std::unique_ptr<test::SilentListener>> silent;
  std::vector<TMyRec> rows;
  for (int i = 0; i < devices; ++i) {
    silent.push_back(std::make_unique<test::SilentListener>(listeners.Take(static_cast<std::size_t>(i))));
    rows.push_back(TMyRec{3, 0, Local(i), 0, 10, ""});
  }
  const Timed timed = TimeCheck(rows, listeners.port(), deadlineMs);
  const int rounds = (devices + kMaxDevicesAtOnce - 1) / kMaxDevicesAtOnce;
  const double bound = deadlineMs > 0 ? deadlineMs / 1000.0 + 0.2 : 2.0 * rounds * kDefaultCheckTimeoutMs / 1000.0;
  std::printf("%2d silent devices, time-out %d ms, 1 retry, %s: %.3f s (target at most %.1f s); "
              "%d rows time-out, %d not checked\n",
              devices, kDefaultCheckTimeoutMs, deadlineMs > 0 ? "deadline 3 s" : "no deadline",
              timed.seconds, bound, Count(timed.results, RowStatus::kTimeOut),
              Count(timed.results, RowStatus::kNotChecked));
}

// The test device of the benchmark on ip:port until the program is ended
// (bench/lossy_link.sh runs it inside a network namespace of its own).
int Serve(const std::string& ip, int port) {
  const int listener = test::ListenOn(ip, static_cast<std::uint16_t>(port));
  if (listener < 0) {
    std::fprintf(stderr, "cannot listen on %s:%d\n", ip.c_str(), port);
    return 1;
  }
  test::ModbusTestServer server(listener);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--serve") return Serve(argv[2], std::atoi(argv[3]));
  FullTable();
  SilentDevices(10, 0);
  SilentDevices(10, 3000);
  return 0;
}
