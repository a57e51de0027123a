#pragma once
// The checks a flash tool makes on a composed firmware file before it
// programs the gateway, and the bank-1 configuration image the file carries.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/config_image.h"

namespace fabrion {

inline constexpr std::uint32_t kBank1WindowStart = 0x388000;
inline constexpr std::uint32_t kBank1WindowEnd = 0x38BFFF;  // inclusive
inline constexpr int kBankRecordBytes = 32;
inline constexpr int kBankRecordCount = 512;

struct FirmwareCheck {
  std::vector<std::string> problems;  // in file order; empty when every check passed
  std::size_t records = 0;            // well-formed S-record lines
  std::size_t badLines = 0;           // lines that are no record or fail their checksum
  std::string firstBadLine;           // "line 7: <why>" for the first of them
  std::string firstConflict;          // the first byte of bank 1 two records give different values
  std::string header;                 // the S0 record's text, printable characters only
  int bankRecordsPresent = 0;         // 32-byte slots of the bank-1 window fully covered
  std::uint32_t firstMissingRecord = 0;  // address of the first slot not covered
  std::string endRecord;              // "S7", "S8" or "S9"; empty when none was met
  std::string firstAfterEnd;          // "line 9: ..." for the first data record after the end record
  ConfigImage bank{};                 // the window's bytes, zero where no record covers them
  bool bankSeen = false;              // some record lay in the window

  bool Passed() const { return problems.empty(); }
};

// How far a file is read: a flash tool reports every bad line; a reader
// that only wants the image stops at the first.
enum class CheckScope { kWholeFile, kUpToFirstBadLine };

// Checks every line of the S-record text: each is a well-formed record with
// its correct checksum; the 512 records of bank 1 (0x388000 to 0x38BFFF)
// are all there; an end record is there, and no data record follows it (a
// loader stops at the first end record, so bank 1 after it is never programmed).
FirmwareCheck CheckFirmwareText(std::string_view text);

// The same for a file, read line by line. With kUpToFirstBadLine the reading
// stops at the first line that fails (a line longer than any record fails
// without being read to its end). Throws Error when it cannot be read.
FirmwareCheck CheckFirmwareFile(std::string_view path, CheckScope scope = CheckScope::kWholeFile);

}  // namespace fabrion
