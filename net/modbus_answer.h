#pragma once
// The device check's frames on one connection: the Modbus TCP read request
// of a row, and the answer to it taken from the bytes that have arrived.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "documents/var_document.h"
#include "net/device_check.h"

namespace fabrion {

// The MBAP header (transaction, protocol, length, unit), the function, the
// first address and the count of points.
inline constexpr std::size_t kModbusRequestLength = 12;
using ModbusRequest = std::array<std::uint8_t, kModbusRequestLength>;

// The request that reads row's points from unit as transaction.
ModbusRequest ModbusReadRequest(const TMyRec& row, std::uint8_t unit, std::uint16_t transaction);

// The answer to request from received, the bytes arrived on its connection:
// answers to other transactions before it are dropped from received, and
// nothing is returned while the answer has not arrived whole. Otherwise the
// row's result: ok with the values, the device's exception, or an error that
// says what does not fit the request (length, unit, function, byte count) or
// Modbus TCP (a protocol other than 0, a frame longer than Modbus allows);
// received is then emptied, since what follows belongs to no request.
std::optional<RowCheck> TakeModbusAnswer(const ModbusRequest& request,
                                         std::vector<std::uint8_t>& received);

}  // namespace fabrion
