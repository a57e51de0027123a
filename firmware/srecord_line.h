#pragma once
// One Motorola S-record line: its parts, its reading and its writing.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fabrion {

struct SRecord {
  char type = '0';             // the digit after "S": '0' to '9'
  std::uint32_t address = 0;   // 16, 24 or 32 bits as the type says
  std::vector<std::uint8_t> data;
};

// A line read: the record, or why the line is none.
struct SRecordReading {
  std::optional<SRecord> record;
  std::string problem;  // e.g. "checksum 3A, the record's bytes give 3B"
};

// Address bytes of a record type (2, 3 or 4), 0 for a type that has none defined (S4).
int SRecordAddressBytes(char type);

// Reads one line without its end mark. Hexadecimal digits of either case;
// the byte count must match the line's length and the checksum its bytes.
SRecordReading ReadSRecordLine(std::string_view line);

// The checksum of a record's bytes (byte count, address and data): the ones'
// complement of the low byte of their sum. Reading and writing both use it.
std::uint8_t SRecordChecksumOf(std::span<const std::uint8_t> bytes);

// The line for type, address and data (no end mark), upper-case digits and
// the correct checksum. data holds at most 250 bytes.
std::string FormatSRecordLine(char type, std::uint32_t address,
                              const std::vector<std::uint8_t>& data);

// The record's checksum: line with two placeholder characters at its end,
// completed; or the two checksum characters alone when checksumOnly. Its
// digits are read as the reader reads them: throws Error naming the first
// character that is no hexadecimal digit.
std::string SRecordChecksum(std::string_view line, bool checksumOnly);

}  // namespace fabrion
