#include "net/device_check.h"

#include <modbus.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "documents/ip_address.h"
#include "net/modbus_answer.h"
#include "platform/error.h"
#include "platform/tcp_sockets.h"

namespace fabrion {
namespace {

using Clock = std::chrono::steady_clock;

// The longest single wait between two looks at the stop request.
constexpr int kWaitSliceMs = 50;

enum class Phase { kConnecting, kAwaiting };

// One device of the check and where its conversation stands.
struct Device {
  std::array<std::uint8_t, 4> address{};
  std::vector<std::size_t> rows;  // the rows to read from it, in table order
  std::size_t next = 0;           // rows[next] is in flight, or asked next
  Phase phase = Phase::kConnecting;
  SocketHandle socket = kNoSocket;
  Clock::time_point deadline;  // of the connect or the request in flight
  Clock::time_point sent;      // when the request in flight went out
  std::vector<std::uint8_t> received;  // arrived bytes of an answer not yet whole
  std::uint16_t transaction = 0;       // of the request in flight; rises per connection
  ModbusRequest request{};             // the request in flight
  int answered = 0;                    // answers taken on this connection
  std::size_t triesRow = SIZE_MAX;     // the row the two fields below count for
  int triesLeft = 0;                   // sends after a time-out left to it
  bool resent = false;                 // it went again on a fresh connection

  bool done() const { return next >= rows.size(); }
  std::size_t line() const { return rows[next] + 1; }  // the row in flight, counted from 1
};

RowCheck Failure(std::string text) { return RowCheck{RowStatus::kError, 0, {}, std::move(text)}; }

int Word(const std::uint8_t* bytes, int at) { return MODBUS_GET_INT16_FROM_INT8(bytes, at); }

// Not a single device: "this network" and the multicast, reserved and
// broadcast ranges. Nothing is sent there.
bool IsDeviceAddress(const std::array<std::uint8_t, 4>& address) {
  return address[0] != 0 && address[0] < 224;
}

class Checker {
 public:
  Checker(const std::vector<TMyRec>& rows, const DeviceCheckSettings& settings,
          std::stop_token stop, const RowCheckedHook& checked)
      : rows_(rows), settings_(settings), stop_(std::move(stop)), checked_(checked),
        timeout_(std::clamp(settings.timeoutMs, 1, kMaxCheckTimeoutMs)),
        retries_(std::clamp(settings.retries, 0, kMaxRetries)) {}
  ~Checker() {
    for (Device& device : devices_) Disconnect(device);
  }
  Checker(const Checker&) = delete;
  Checker& operator=(const Checker&) = delete;

  std::vector<RowCheck> Run();

 private:
  void GroupRows();
  // The row in flight gets its own tries, once.
  void CountTries(Device& device);
  void Connect(Device& device);
  void ConnectEnded(Device& device);
  void ConnectFailed(Device& device, int error);
  void SendNext(Device& device);
  void Send(Device& device);
  void Receive(Device& device);
  void TakeAnswer(Device& device);
  void Expire(Device& device);
  void Closed(Device& device);
  void Reconnect(Device& device);
  // The row in flight ends in error. The connection may hold anything now:
  // the next row starts on a new one.
  void EndRowAndReconnect(Device& device, std::string text);
  // The row in flight and every later row of the device end in error.
  void EndClosed(Device& device);
  // The row in flight gets current, every later row of the device rest;
  // then the connection is closed.
  void EndDevice(Device& device, RowStatus status, const std::string& current,
                 const std::string& rest);
  void Disconnect(Device& device);
  void Report(std::size_t index, RowCheck result);
  std::string WithinTimeOut() const { return "within " + std::to_string(timeout_.count()) + " ms"; }

  const std::vector<TMyRec>& rows_;
  const DeviceCheckSettings settings_;
  const std::stop_token stop_;
  const RowCheckedHook& checked_;
  const std::chrono::milliseconds timeout_;
  const int retries_;
  std::vector<RowCheck> results_;
  std::vector<Device> devices_;
};

std::vector<RowCheck> Checker::Run() {
  const Clock::time_point deadline =
      settings_.deadlineMs > 0 ? Clock::now() + std::chrono::milliseconds(settings_.deadlineMs)
                               : Clock::time_point::max();
  results_.assign(rows_.size(), RowCheck{});
  GroupRows();
  std::optional<SocketLayer> layer;
  try {
    layer.emplace();
  } catch (const Error& e) {
    for (Device& device : devices_) EndDevice(device, RowStatus::kError, e.what(), e.what());
    return results_;
  }

  std::size_t started = 0;
  std::vector<std::size_t> active;  // indices into devices_
  while (!stop_.stop_requested()) {
    while (active.size() < kMaxDevicesAtOnce && started < devices_.size()) {
      Connect(devices_[started]);
      if (!devices_[started].done()) active.push_back(started);
      ++started;
    }
    if (active.empty()) break;

    // One wait over every device's socket, until the nearest deadline.
    std::vector<SocketWait> waits;
    Clock::time_point nearest = deadline;
    for (std::size_t index : active) {
      const Device& device = devices_[index];
      waits.push_back({device.socket, device.phase == Phase::kConnecting, false});
      nearest = std::min(nearest, device.deadline);
    }
    // Rounded down: the last part of a wait is looked at without sleeping,
    // so that a time-out ends when due, not up to a millisecond later.
    const auto left = std::chrono::floor<std::chrono::milliseconds>(nearest - Clock::now());
    const int slice = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, kWaitSliceMs));
    const int failed = WaitForSockets(waits, slice);
    const Clock::time_point waited = Clock::now();
    if (stop_.stop_requested()) break;
    if (waited >= deadline) {
      const std::string text = "not asked: the check's deadline passed";
      for (Device& device : devices_) EndDevice(device, RowStatus::kNotChecked, text, text);
      break;
    }
    for (std::size_t i = 0; i < active.size(); ++i) {
      Device& device = devices_[active[i]];
      if (failed != 0) {
        const std::string text = "cannot wait for the device: " + SocketErrorText(failed);
        EndDevice(device, RowStatus::kError, text, text);
      } else if (waits[i].ready) {
        if (device.phase == Phase::kConnecting)
          ConnectEnded(device);
        else
          Receive(device);
      }
      // An answer still incomplete at its deadline ends as no answer does.
      if (!device.done() && waited >= device.deadline) Expire(device);
    }
    std::erase_if(active, [&](std::size_t index) { return devices_[index].done(); });
  }
  return results_;
}

void Checker::GroupRows() {
  for (std::size_t index = 0; index < rows_.size(); ++index) {
    const TMyRec& row = rows_[index];
    if (row.PointCount == 0) {
      Report(index, RowCheck{RowStatus::kSkipped, 0, {}, {}});
      continue;
    }
    auto device = std::find_if(devices_.begin(), devices_.end(),
                               [&](const Device& d) { return d.address == row.DeviceIp; });
    if (device == devices_.end()) {
      devices_.emplace_back();
      device = devices_.end() - 1;
      device->address = row.DeviceIp;
    }
    device->rows.push_back(index);
  }
}

void Checker::CountTries(Device& device) {
  if (device.triesRow == device.next) return;
  device.triesRow = device.next;
  device.triesLeft = retries_;
  device.resent = false;
}

void Checker::Connect(Device& device) {
  if (!IsDeviceAddress(device.address)) {
    const std::string text = DottedIp(device.address) + " is not the address of a device";
    EndDevice(device, RowStatus::kError, text, text);
    return;
  }
  CountTries(device);
  int error = 0;
  device.socket = StartConnect(device.address, settings_.port, error);
  if (device.socket == kNoSocket) {
    ConnectFailed(device, error);
    return;
  }
  device.phase = Phase::kConnecting;
  device.deadline = Clock::now() + timeout_;
}

void Checker::ConnectEnded(Device& device) {
  const int error = ConnectOutcome(device.socket);
  if (error != 0) {
    ConnectFailed(device, error);
    return;
  }
  SendNext(device);
}

void Checker::ConnectFailed(Device& device, int error) {
  const bool unreachable = MeansNoConnection(error);
  const std::string text = unreachable ? SocketErrorText(error)
                                       : "cannot connect: " + SocketErrorText(error);
  EndDevice(device, unreachable ? RowStatus::kNoConnection : RowStatus::kError, text, text);
}

void Checker::SendNext(Device& device) {
  if (device.done()) {
    Disconnect(device);
    return;
  }
  CountTries(device);
  Send(device);
}

void Checker::Send(Device& device) {
  device.request = ModbusReadRequest(rows_[device.rows[device.next]], settings_.unit,
                                     ++device.transaction);
  int error = 0;
  if (!SendSocket(device.socket, device.request.data(), kModbusRequestLength, error)) {
    if (MeansConnectionClosed(error)) {
      Closed(device);
    } else {
      const std::string text = "cannot send the request: " + SocketErrorText(error);
      EndDevice(device, RowStatus::kError, text, text);
    }
    return;
  }
  device.phase = Phase::kAwaiting;
  device.sent = Clock::now();
  device.deadline = device.sent + timeout_;
}

void Checker::Receive(Device& device) {
  std::uint8_t chunk[MODBUS_TCP_MAX_ADU_LENGTH];
  int error = 0;
  const int got = ReceiveSocket(device.socket, chunk, sizeof chunk, error);
  if (got == 0 || (got < 0 && MeansConnectionClosed(error))) {
    Closed(device);
  } else if (got < 0) {
    if (error != 0) EndRowAndReconnect(device, "cannot read the answer: " + SocketErrorText(error));
  } else {
    device.received.insert(device.received.end(), chunk, chunk + got);
    TakeAnswer(device);
  }
}

void Checker::TakeAnswer(Device& device) {
  std::optional<RowCheck> answer = TakeModbusAnswer(device.request, device.received);
  if (!answer) return;  // the rest is on its way
  RowCheck& result = *answer;
  if (result.status == RowStatus::kError) {
    EndRowAndReconnect(device, std::move(result.message));
    return;
  }
  result.responseMs = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - device.sent).count());
  ++device.answered;
  Report(device.rows[device.next++], std::move(result));
  SendNext(device);
}

void Checker::Expire(Device& device) {
  const bool connecting = device.phase == Phase::kConnecting;
  if (device.triesLeft > 0) {
    --device.triesLeft;
    if (connecting)
      Reconnect(device);
    else
      Send(device);  // a new transaction: a late answer to the last one is dropped
    return;
  }
  if (connecting) {
    const std::string text = "no connection " + WithinTimeOut();
    EndDevice(device, RowStatus::kNoConnection, text, text);
    return;
  }
  std::string text = "no answer " + WithinTimeOut();
  if (const std::size_t arrived = device.received.size(); arrived > 0) {
    const std::string expected =
        arrived >= 6 ? " of " + std::to_string(6 + Word(device.received.data(), 4)) : "";
    text = "no complete answer " + WithinTimeOut() + " (" + std::to_string(arrived) + expected +
           " bytes)";
  }
  EndDevice(device, RowStatus::kTimeOut, text,
            "not asked: no answer to row " + std::to_string(device.line()) + " " + WithinTimeOut());
}

void Checker::Closed(Device& device) {
  // Many gateways and small devices close the connection after each answer:
  // a row that found its reused connection closed goes again on a new one.
  if (device.answered > 0 && device.received.empty() && !device.resent) {
    device.resent = true;
    Reconnect(device);
    return;
  }
  EndClosed(device);
}

void Checker::Reconnect(Device& device) {
  Disconnect(device);
  if (!device.done()) Connect(device);
}

void Checker::EndRowAndReconnect(Device& device, std::string text) {
  Report(device.rows[device.next++], Failure(std::move(text)));
  Reconnect(device);
}

void Checker::EndClosed(Device& device) {
  EndDevice(device, RowStatus::kError, "the device closed the connection",
            "not asked: the device closed the connection at row " + std::to_string(device.line()));
}

void Checker::EndDevice(Device& device, RowStatus status, const std::string& current,
                        const std::string& rest) {
  if (!device.done()) Report(device.rows[device.next++], RowCheck{status, 0, {}, current});
  while (!device.done()) Report(device.rows[device.next++], RowCheck{status, 0, {}, rest});
  Disconnect(device);
}

void Checker::Disconnect(Device& device) {
  CloseSocket(device.socket);
  device.socket = kNoSocket;
  device.received.clear();
  device.transaction = 0;
  device.answered = 0;
}

void Checker::Report(std::size_t index, RowCheck result) {
  results_[index] = std::move(result);
  if (checked_) checked_(index, results_[index]);
}

}  // namespace

std::vector<RowCheck> CheckDevices(const std::vector<TMyRec>& rows,
                                   const DeviceCheckSettings& settings, std::stop_token stop,
                                   const RowCheckedHook& checked) {
  Checker checker(rows, settings, std::move(stop), checked);
  return checker.Run();
}

int ReadFunctionOf(std::uint8_t dataType) {
  switch (dataType) {
    case 1: return MODBUS_FC_READ_COILS;
    case 2: return MODBUS_FC_READ_DISCRETE_INPUTS;
    case 3: return MODBUS_FC_READ_HOLDING_REGISTERS;
    default: return MODBUS_FC_READ_INPUT_REGISTERS;
  }
}

std::string_view RowStatusName(RowStatus status) {
  switch (status) {
    case RowStatus::kOk: return "ok";
    case RowStatus::kException: return "exception";
    case RowStatus::kNoConnection: return "no-connection";
    case RowStatus::kTimeOut: return "time-out";
    case RowStatus::kSkipped: return "skipped";
    case RowStatus::kError: return "error";
    case RowStatus::kNotChecked: break;
  }
  return "not-checked";
}

std::string ExceptionName(int code) {
  switch (code) {
    case 0x01: return "Illegal Function";
    case 0x02: return "Illegal Data Address";
    case 0x03: return "Illegal Data Value";
    case 0x04: return "Server Device Failure";
    case 0x05: return "Acknowledge";
    case 0x06: return "Server Device Busy";
    case 0x08: return "Memory Parity Error";
    case 0x0A: return "Gateway Path Unavailable";
    case 0x0B: return "Gateway Target Device Failed to Respond";
    default: return "exception " + std::to_string(code);
  }
}

std::string FirstValues(const RowCheck& result, std::size_t shown) {
  std::string text;
  const std::size_t count = std::min(shown, result.values.size());
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += std::to_string(result.values[i]);
  }
  if (result.values.size() > count) text += " \xE2\x80\xA6";
  return text;
}

std::string RowReason(const RowCheck& result) {
  if (result.status != RowStatus::kException) return result.message;
  const std::string code = "exception " + std::to_string(result.exception);
  return result.message == code ? code : code + " (" + result.message + ")";
}

}  // namespace fabrion
