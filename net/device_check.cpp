#include "net/device_check.h"

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>

#include "documents/ip_address.h"
#include "platform/error.h"
#include "platform/tcp_sockets.h"

namespace fabrion {
namespace {

using Clock = std::chrono::steady_clock;

// The longest single wait between two looks at the stop request.
constexpr int kWaitSliceMs = 50;
// How often a device whose answer has begun to arrive is looked at again.
constexpr int kPartialAnswerMs = 5;

// The MBAP header before the function code: transaction, protocol and
// length (two bytes each), unit.
constexpr int kHeaderLength = 7;

// libmodbus sends a raw request with transaction identifier 0; with one
// request in flight per connection, a right answer carries it back.
constexpr int kRawTransaction = 0;

struct ModbusCloser {
  void operator()(modbus_t* context) const {
    modbus_close(context);  // the socket handed over goes with it
    modbus_free(context);
  }
};
using ModbusContext = std::unique_ptr<modbus_t, ModbusCloser>;

enum class Phase { kConnecting, kAwaiting };

// One device of the check and where its conversation stands.
struct Device {
  std::array<std::uint8_t, 4> address{};
  std::vector<std::size_t> rows;  // the rows to read from it, in table order
  std::size_t next = 0;           // rows[next] is in flight, or asked next
  Phase phase = Phase::kConnecting;
  SocketHandle connecting = kNoSocket;  // the socket until libmodbus takes it over
  ModbusContext modbus;
  Clock::time_point deadline;
  int arrived = 0;   // bytes of the answer in flight that have arrived so far
  int expected = 0;  // its length by its header, once that has arrived

  bool done() const { return next >= rows.size(); }
  std::size_t line() const { return rows[next] + 1; }  // the row in flight, counted from 1
};

RowCheck Failure(std::string text) { return RowCheck{RowStatus::kError, 0, {}, std::move(text)}; }

// Not a single device: "this network" and the multicast, reserved and
// broadcast ranges. Nothing is sent there.
bool IsDeviceAddress(const std::array<std::uint8_t, 4>& address) {
  return address[0] != 0 && address[0] < 224;
}

// The reason of a failed libmodbus call: libmodbus leaves its own in errno;
// on Windows a failed socket call leaves its reason with Windows Sockets.
int FailureCode() {
#ifdef _WIN32
  if (errno == 0) return LastSocketError();
#endif
  return errno;
}

std::string FailureText(int code) {
  return code >= MODBUS_ENOBASE ? std::string(modbus_strerror(code)) : SocketErrorText(code);
}

// The checks of one answer of the device against the request of row: the
// header pairs it with the request (transaction, protocol, length, unit),
// then the function, an exception or the byte count, then the values.
RowCheck ReadAnswer(const TMyRec& row, std::uint8_t unit, const std::uint8_t* answer, int length) {
  const auto word = [&](int at) { return static_cast<int>(MODBUS_GET_INT16_FROM_INT8(answer, at)); };
  const int function = ReadFunctionOf(row.DataType);
  if (length < kHeaderLength + 2)
    return Failure("answer of " + std::to_string(length) + " bytes, too short for Modbus");
  if (word(0) != kRawTransaction)
    return Failure("answer to another request (transaction " + std::to_string(word(0)) + ")");
  if (word(2) != 0)
    return Failure("not a Modbus answer (protocol identifier " + std::to_string(word(2)) + ")");
  if (word(4) != length - 6)
    return Failure("the answer's length field says " + std::to_string(word(4)) +
                   " bytes, but it has " + std::to_string(length - 6));
  if (answer[6] != unit)
    return Failure("answer from unit " + std::to_string(answer[6]) + ", not from unit " +
                   std::to_string(unit));
  const int answered = answer[kHeaderLength];
  if (answered == (function | 0x80)) {
    const int code = answer[kHeaderLength + 1];
    return RowCheck{RowStatus::kException, code, {}, ExceptionName(code)};
  }
  if (answered != function)
    return Failure("answer with function " + std::to_string(answered) +
                   " to a request with function " + std::to_string(function));
  const int count = row.PointCount;
  const bool bits = function <= MODBUS_FC_READ_DISCRETE_INPUTS;
  const int expected = bits ? (count + 7) / 8 : 2 * count;
  const int carried = answer[kHeaderLength + 1];
  if (carried != expected)
    return Failure("answer with " + std::to_string(carried) + " data bytes where " +
                   std::to_string(expected) + " were asked for");
  // libmodbus has read exactly the byte count's bytes after it.
  const std::uint8_t* data = answer + kHeaderLength + 2;
  RowCheck result{RowStatus::kOk, 0, {}, {}};
  if (bits) {
    std::vector<std::uint8_t> points(static_cast<std::size_t>(count));
    modbus_set_bits_from_bytes(points.data(), 0, static_cast<unsigned>(count), data);
    result.values.assign(points.begin(), points.end());
  } else {
    for (int i = 0; i < count; ++i)
      result.values.push_back(static_cast<std::uint16_t>(MODBUS_GET_INT16_FROM_INT8(data, 2 * i)));
  }
  return result;
}

class Checker {
 public:
  Checker(const std::vector<TMyRec>& rows, const DeviceCheckSettings& settings,
          std::stop_token stop, const RowCheckedHook& checked)
      : rows_(rows), settings_(settings), stop_(std::move(stop)), checked_(checked),
        timeout_(std::clamp(settings.timeoutMs, 1, kMaxCheckTimeoutMs)) {}
  ~Checker() {
    for (Device& device : devices_) Disconnect(device);
  }
  Checker(const Checker&) = delete;
  Checker& operator=(const Checker&) = delete;

  std::vector<RowCheck> Run();

 private:
  void GroupRows();
  void Connect(Device& device);
  void ConnectEnded(Device& device);
  void ConnectFailed(Device& device, int error);
  void SendNext(Device& device);
  void Receive(Device& device);
  void Expire(Device& device);
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
  std::vector<RowCheck> results_;
  std::vector<Device> devices_;
};

std::vector<RowCheck> Checker::Run() {
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

    // One wait over every device's socket, until the nearest deadline. A
    // socket with part of an answer stays readable: it is left out of the
    // wait and looked at again shortly.
    std::vector<SocketWait> waits;
    Clock::time_point nearest = Clock::time_point::max();
    int longest = kWaitSliceMs;
    for (std::size_t index : active) {
      const Device& device = devices_[index];
      const bool connecting = device.phase == Phase::kConnecting;
      SocketHandle socket = connecting ? device.connecting : modbus_get_socket(device.modbus.get());
      if (device.arrived > 0) {
        socket = kNoSocket;
        longest = kPartialAnswerMs;
      }
      waits.push_back({socket, connecting, false});
      nearest = std::min(nearest, device.deadline);
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(nearest - Clock::now());
    const int slice = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, longest));
    const int failed = WaitForSockets(waits, slice);
    const Clock::time_point waited = Clock::now();
    if (stop_.stop_requested()) break;
    for (std::size_t i = 0; i < active.size(); ++i) {
      Device& device = devices_[active[i]];
      if (failed != 0) {
        const std::string text = "cannot wait for the device: " + SocketErrorText(failed);
        EndDevice(device, RowStatus::kError, text, text);
      } else if (waits[i].ready || device.arrived > 0) {
        if (device.phase == Phase::kConnecting)
          ConnectEnded(device);
        else
          Receive(device);
        // An answer still incomplete at its deadline ends as no answer does.
        if (!device.done() && device.arrived > 0 && waited >= device.deadline) Expire(device);
      } else if (waited >= device.deadline) {
        Expire(device);
      }
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

void Checker::Connect(Device& device) {
  if (!IsDeviceAddress(device.address)) {
    const std::string text = DottedIp(device.address) + " is not the address of a device";
    EndDevice(device, RowStatus::kError, text, text);
    return;
  }
  int error = 0;
  device.connecting = StartConnect(device.address, settings_.port, error);
  if (device.connecting == kNoSocket) {
    ConnectFailed(device, error);
    return;
  }
  device.phase = Phase::kConnecting;
  device.deadline = Clock::now() + timeout_;
}

void Checker::ConnectEnded(Device& device) {
  const int error = ConnectOutcome(device.connecting);
  if (error != 0) {
    ConnectFailed(device, error);
    return;
  }
  modbus_t* context = modbus_new_tcp(DottedIp(device.address).c_str(), settings_.port);
  if (context == nullptr) {
    const std::string text = "cannot set up Modbus: " + FailureText(FailureCode());
    EndDevice(device, RowStatus::kError, text, text);
    return;
  }
  device.modbus.reset(context);
  modbus_set_socket(context, device.connecting);
  device.connecting = kNoSocket;
  // No separate limit between the bytes of an answer: the whole answer has
  // to arrive within the request's time-out.
  modbus_set_byte_timeout(context, 0, 0);
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
  const TMyRec& row = rows_[device.rows[device.next]];
  const std::uint8_t request[] = {
      settings_.unit,
      static_cast<std::uint8_t>(ReadFunctionOf(row.DataType)),
      static_cast<std::uint8_t>(row.TcpAddress >> 8),
      static_cast<std::uint8_t>(row.TcpAddress & 0xFF),
      0,
      row.PointCount,
  };
  errno = 0;
  if (modbus_send_raw_request(device.modbus.get(), request, sizeof request) == -1) {
    const int error = FailureCode();
    if (MeansConnectionClosed(error)) {
      EndClosed(device);
    } else {
      const std::string text = "cannot send the request: " + FailureText(error);
      EndDevice(device, RowStatus::kError, text, text);
    }
    return;
  }
  device.phase = Phase::kAwaiting;
  device.deadline = Clock::now() + timeout_;
  device.arrived = 0;
  device.expected = 0;
}

void Checker::Receive(Device& device) {
  // libmodbus reads an answer with waits of its own: it is handed the
  // answer only once all of it, as long as its header says, has arrived,
  // so that no device holds the others up and a stop ends every wait.
  std::uint8_t answer[MODBUS_TCP_MAX_ADU_LENGTH];
  int error = 0;
  const int waiting = PeekSocket(modbus_get_socket(device.modbus.get()), answer, sizeof answer, error);
  if (waiting == 0 || (waiting < 0 && MeansConnectionClosed(error))) {
    EndClosed(device);
    return;
  }
  if (waiting < 0) {
    if (error != 0) EndRowAndReconnect(device, "cannot read the answer: " + SocketErrorText(error));
    return;
  }
  device.arrived = waiting;
  if (waiting < kHeaderLength) return;  // the rest is on its way
  const int length = 6 + static_cast<int>(MODBUS_GET_INT16_FROM_INT8(answer, 4));
  device.expected = length;
  const std::string lengthField = "the answer's length field says " + std::to_string(length - 6) + " bytes";
  if (length > MODBUS_TCP_MAX_ADU_LENGTH) {
    EndRowAndReconnect(device, lengthField + ", more than a Modbus TCP frame holds");
    return;
  }
  if (waiting < length) return;  // the rest is on its way

  modbus_set_response_timeout(device.modbus.get(), 0, 1000);  // all there: no wait
  errno = 0;
  const int read = modbus_receive_confirmation(device.modbus.get(), answer);
  if (read == -1) {
    error = FailureCode();
    EndRowAndReconnect(device, error == ETIMEDOUT || error == EMBBADDATA
                                   ? lengthField + ", which does not fit its function"
                                   : "cannot read the answer: " + FailureText(error));
    return;
  }
  RowCheck result = ReadAnswer(rows_[device.rows[device.next]], settings_.unit, answer, read);
  if (result.status == RowStatus::kError) {
    EndRowAndReconnect(device, std::move(result.message));
    return;
  }
  Report(device.rows[device.next++], std::move(result));
  SendNext(device);
}

void Checker::Expire(Device& device) {
  if (device.phase == Phase::kConnecting) {
    const std::string text = "no connection " + WithinTimeOut();
    EndDevice(device, RowStatus::kNoConnection, text, text);
  } else {
    std::string text = "no answer " + WithinTimeOut();
    if (device.arrived > 0) {
      text = "no complete answer " + WithinTimeOut() + " (" + std::to_string(device.arrived) +
             (device.expected > 0 ? " of " + std::to_string(device.expected) : std::string()) +
             " bytes)";
    }
    EndDevice(device, RowStatus::kTimeOut, text,
              "not asked: no answer to row " + std::to_string(device.line()) + " " +
                  WithinTimeOut());
  }
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
  CloseSocket(device.connecting);
  device.connecting = kNoSocket;
  device.modbus.reset();
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
  // libmodbus names the codes of the Modbus application protocol; its other
  // error numbers follow them and must not lend their names.
  const bool named = (code >= MODBUS_EXCEPTION_ILLEGAL_FUNCTION &&
                      code <= MODBUS_EXCEPTION_MEMORY_PARITY) ||
                     code == MODBUS_EXCEPTION_GATEWAY_PATH ||
                     code == MODBUS_EXCEPTION_GATEWAY_TARGET;
  return named ? std::string(modbus_strerror(MODBUS_ENOBASE + code)) : "unknown exception";
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
  if (result.status == RowStatus::kException)
    return "exception " + std::to_string(result.exception) + " (" + result.message + ")";
  return result.message;
}

}  // namespace fabrion
