#pragma once
// Translate-table records for tests, written in one line each.
#include <array>
#include <cstdint>
#include <string>

#include "documents/var_document.h"

namespace fabrion::test {

inline TMyRec Record(std::uint8_t type, std::uint16_t rtu, std::array<std::uint8_t, 4> ip,
                     std::uint16_t tcp, std::uint8_t points, std::string mnemonic) {
  return TMyRec{type, rtu, ip, tcp, points, std::move(mnemonic)};
}

}  // namespace fabrion::test
