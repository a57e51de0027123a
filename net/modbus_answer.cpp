#include "net/modbus_answer.h"

#include <modbus.h>

#include <algorithm>
#include <string>

namespace fabrion {
namespace {

// The MBAP header before the function code. libmodbus 3.1 sends every raw
// request with transaction 0 and reads answers only with waits of its own,
// so the check frames its read requests itself and takes the answers by
// their header.
constexpr int kHeaderLength = 7;

int Word(const std::uint8_t* bytes, int at) { return MODBUS_GET_INT16_FROM_INT8(bytes, at); }

RowCheck Failure(std::string text) { return RowCheck{RowStatus::kError, 0, {}, std::move(text)}; }

// The checks of the answer at the front of the available bytes against the
// request, once its transaction and protocol have paired it with the
// request and its length field says it has arrived: the length, the unit,
// then the function, an exception or the byte count, then the values.
RowCheck ReadAnswer(const ModbusRequest& request, const std::uint8_t* answer, int available) {
  const int unit = request[6];
  const int function = request[7];
  const int count = request[11];
  const int length = 6 + Word(answer, 4);
  if (length < kHeaderLength + 2)
    return Failure("answer of " + std::to_string(length) + " bytes, too short for Modbus");
  const int answered = answer[kHeaderLength];
  const int carried = answer[kHeaderLength + 1];
  const int natural = kHeaderLength + 2 + ((answered & 0x80) != 0 ? 0 : carried);
  if (length != natural)
    return Failure("the answer's length field says " + std::to_string(length - 6) +
                   " bytes, but it has " + std::to_string(std::min(available, natural) - 6));
  if (answer[6] != unit)
    return Failure("answer from unit " + std::to_string(answer[6]) + ", not from unit " +
                   std::to_string(unit));
  if (answered == (function | 0x80)) {
    return RowCheck{RowStatus::kException, carried, {}, ExceptionName(carried)};
  }
  if (answered != function)
    return Failure("answer with function " + std::to_string(answered) +
                   " to a request with function " + std::to_string(function));
  const bool bits = function <= MODBUS_FC_READ_DISCRETE_INPUTS;
  const int expected = bits ? (count + 7) / 8 : 2 * count;
  if (carried != expected)
    return Failure("answer with " + std::to_string(carried) + " data bytes where " +
                   std::to_string(expected) + " were asked for");
  const std::uint8_t* data = answer + kHeaderLength + 2;
  RowCheck result{RowStatus::kOk, 0, {}, {}};
  if (bits) {
    std::vector<std::uint8_t> points(static_cast<std::size_t>(count));
    modbus_set_bits_from_bytes(points.data(), 0, static_cast<unsigned>(count), data);
    result.values.assign(points.begin(), points.end());
  } else {
    for (int i = 0; i < count; ++i) result.values.push_back(static_cast<std::uint16_t>(Word(data, 2 * i)));
  }
  return result;
}

}  // namespace

ModbusRequest ModbusReadRequest(const TMyRec& row, std::uint8_t unit, std::uint16_t transaction) {
  return {
      static_cast<std::uint8_t>(transaction >> 8),
      static_cast<std::uint8_t>(transaction & 0xFF),
      0, 0,  // the Modbus protocol
      0, kModbusRequestLength - 6,
      unit,
      static_cast<std::uint8_t>(ReadFunctionOf(row.DataType)),
      static_cast<std::uint8_t>(row.TcpAddress >> 8),
      static_cast<std::uint8_t>(row.TcpAddress & 0xFF),
      0,
      row.PointCount,
  };
}

std::optional<RowCheck> TakeModbusAnswer(const ModbusRequest& request,
                                         std::vector<std::uint8_t>& received) {
  std::vector<std::uint8_t>& in = received;
  for (;;) {
    const int available = static_cast<int>(in.size());
    if (available >= 4 && Word(in.data(), 2) != 0) {
      in.clear();
      return Failure("not a Modbus TCP answer");
    }
    if (available < 6) return std::nullopt;  // the rest is on its way
    const int length = 6 + Word(in.data(), 4);
    if (length > MODBUS_TCP_MAX_ADU_LENGTH) {
      in.clear();
      return Failure("the answer's length field says " + std::to_string(length - 6) +
                     " bytes, more than a Modbus TCP frame holds");
    }
    if (available < length) return std::nullopt;
    // An answer to an earlier request (repeated, or late after a time-out)
    // is dropped, and the wait goes on.
    if (Word(in.data(), 0) == Word(request.data(), 0)) break;
    in.erase(in.begin(), in.begin() + length);
  }
  RowCheck result = ReadAnswer(request, in.data(), static_cast<int>(in.size()));
  in.clear();  // what came after the answer belongs to no request
  return result;
}

}  // namespace fabrion
