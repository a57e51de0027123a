#pragma once
// The device check: every row of a translate table read once from its Modbus
// TCP device (libmodbus), to see whether the devices answer the points the
// table names. It only reads; nothing is ever written to a device.
//
// One connection per device, reused for its rows, one request in flight on
// it, each request with a transaction of its own; at most kMaxDevicesAtOnce
// devices at once, all on the calling thread. A request that times out goes
// again (retries); a device that cannot be connected or does not answer
// then costs those waits once: its other rows get the same status without
// being asked.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "documents/var_document.h"

namespace fabrion {

inline constexpr std::uint16_t kDefaultModbusPort = 502;
inline constexpr std::uint8_t kDefaultUnit = 255;
inline constexpr int kDefaultCheckTimeoutMs = 1000;
inline constexpr int kMaxCheckTimeoutMs = 60000;
inline constexpr int kMaxDevicesAtOnce = 8;
inline constexpr int kDefaultRetries = 1;
inline constexpr int kMaxRetries = 5;

struct DeviceCheckSettings {
  std::uint16_t port = kDefaultModbusPort;  // the Modbus TCP port of every device
  std::uint8_t unit = kDefaultUnit;         // the unit identifier sent with every request
  int timeoutMs = kDefaultCheckTimeoutMs;   // per connection and per request, 1 to 60000
  int retries = kDefaultRetries;            // tries after a time-out, 0 to 5
  int deadlineMs = 0;                       // for the whole check; 0 for none
};

enum class RowStatus {
  kNotChecked,    // the check was stopped, or its deadline passed, before the row
  kOk,            // values hold the points read
  kException,     // the device refused: exception holds its code, message its name
  kNoConnection,  // refused or unreachable, or no connection within the time-out
  kTimeOut,       // no answer within the time-out
  kSkipped,       // N° Point 0: nothing to read
  kError,         // anything else; message says what
};

struct RowCheck {
  RowStatus status = RowStatus::kNotChecked;
  int exception = 0;
  std::vector<std::uint16_t> values;  // 0 or 1 for coils and inputs, the registers as read
  std::string message;                // why, for every status but ok and skipped
  int responseMs = -1;                // from request to answer; -1 without an answer

  bool operator==(const RowCheck&) const = default;
};

// Called on the checking thread each time a row gets its result: the row's
// index in the table and the result.
using RowCheckedHook = std::function<void(std::size_t index, const RowCheck& result)>;

// Reads every row from its device and returns one result per row, in table
// order. A stop request ends every wait within about 50 ms; the rows not yet
// done stay kNotChecked. Past the settings' deadline the rows not done are
// kNotChecked with the reason. Never throws: a failure becomes the rows' status.
std::vector<RowCheck> CheckDevices(const std::vector<TMyRec>& rows,
                                   const DeviceCheckSettings& settings,
                                   std::stop_token stop = {},
                                   const RowCheckedHook& checked = {});

// The Modbus read function of a data type code: 1 to 4 read coils, discrete
// inputs, holding registers, input registers.
int ReadFunctionOf(std::uint8_t dataType);

// The status as the command's JSON names it ("ok", "no-connection", ...);
// "not-checked" for a row the check did not reach.
std::string_view RowStatusName(RowStatus status);

// The name of a Modbus exception code in the protocol's words ("Illegal Data
// Address" for 2), "exception N" for codes it does not name.
std::string ExceptionName(int code);

// The first values, blank-separated, with " …" when more were read.
std::string FirstValues(const RowCheck& result, std::size_t shown);

// The reason in words: "exception 2 (Illegal Data Address)" or the message.
std::string RowReason(const RowCheck& result);

}  // namespace fabrion
