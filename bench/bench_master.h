#pragma once
// A master firmware file of a chosen size for the benchmarks: a header, S2
// records of 32 bytes (the bank window among them), an end record.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "firmware/srecord_line.h"
#include "platform/hex_text.h"

namespace bench {

using fabrion::Hex;

// A master of about `bytes` bytes: a header, S2 records of 32 bytes (the
// bank window among them), an end record. Written in pieces.
inline void WriteMaster(const std::filesystem::path& path, std::size_t bytes) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  std::string chunk = "S00F000068656C6C6F202020202000003C\r\n";
  std::mt19937 random(7);
  std::size_t written = 0;
  for (std::uint32_t i = 0; written + chunk.size() < bytes; ++i) {
    const std::uint32_t address = (0x380000u + i * 32u) & 0xFFFFFFu;
    std::string line = "S224" + Hex(address, 6);
    for (int j = 0; j < 32; ++j) line += Hex(random() & 0xFF, 2);
    line += "XX";
    line.replace(line.size() - 2, 2, fabrion::SRecordChecksum(line, true));
    chunk += line + "\r\n";
    if (chunk.size() > 1 << 16) {
      std::fwrite(chunk.data(), 1, chunk.size(), file);
      written += chunk.size();
      chunk.clear();
    }
  }
  chunk += "S9030000FC\r\n";
  std::fwrite(chunk.data(), 1, chunk.size(), file);
  std::fclose(file);
}

}  // namespace bench
