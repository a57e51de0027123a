#include "readback/firmware_check.h"

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "firmware/line_reader.h"
#include "firmware/srecord_line.h"
#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/hex_text.h"

namespace fabrion {
namespace {

constexpr std::size_t kProblemsListed = 20;

// Takes lines one at a time and keeps the tally.
class Checker {
 public:
  // One line without its end mark (LF or CR LF): a CR left before it is
  // part of the line, and no record.
  void Line(std::string_view line) {
    ++lineNumber_;
    SRecordReading reading = ReadSRecordLine(line);
    if (!reading.record) {
      ++check_.badLines;
      std::string problem = "line " + std::to_string(lineNumber_) + ": " + reading.problem;
      if (check_.firstBadLine.empty()) check_.firstBadLine = problem;
      Problem(std::move(problem));
      return;
    }
    ++check_.records;
    const SRecord& record = *reading.record;
    switch (record.type) {
      case '0':
        for (std::uint8_t c : record.data)
          if (c >= 0x20 && c < 0x7F) check_.header.push_back(static_cast<char>(c));
        break;
      case '1': case '2': case '3':
        if (endLine_ != 0) {
          AfterEnd();
          break;
        }
        Data(record.address, record.data);
        break;
      case '7': case '8': case '9':
        if (endLine_ != 0) break;
        endLine_ = lineNumber_;
        check_.endRecord = std::string("S") + record.type;
        break;
      default:
        break;
    }
  }

  bool sawBadLine() const { return check_.badLines > 0; }

  FirmwareCheck Finish() {
    if (problemsDropped_ > 0)
      check_.problems.push_back("and " + std::to_string(problemsDropped_) + " more lines like these");
    bool missingSeen = false;
    for (int slot = 0; slot < kBankRecordCount; ++slot) {
      bool whole = true;
      for (int i = 0; i < kBankRecordBytes && whole; ++i) whole = covered_[slot * kBankRecordBytes + i];
      if (whole) {
        ++check_.bankRecordsPresent;
      } else if (!missingSeen) {
        missingSeen = true;
        check_.firstMissingRecord = kBank1WindowStart + slot * kBankRecordBytes;
      }
    }
    if (missingSeen) {
      const int missing = kBankRecordCount - check_.bankRecordsPresent;
      check_.problems.push_back("bank 1 lacks " + std::to_string(missing) + " of its " +
                                std::to_string(kBankRecordCount) + " records, the first at " +
                                PrefixedHex(check_.firstMissingRecord, 6));
    }
    if (check_.endRecord.empty()) check_.problems.push_back("no end record (S7, S8 or S9)");
    return std::move(check_);
  }

 private:
  // A loader stops at the first end record: a data record after it is
  // never programmed, and is kept out of the bank.
  // Only the first is listed: the rest of the file usually follows it.
  void AfterEnd() {
    if (!check_.firstAfterEnd.empty()) return;
    check_.firstAfterEnd = "line " + std::to_string(lineNumber_) +
                           ": a data record after the end record on line " + std::to_string(endLine_);
    Problem(check_.firstAfterEnd);
  }

  void Problem(std::string text) {
    if (check_.problems.size() < kProblemsListed)
      check_.problems.push_back(std::move(text));
    else
      ++problemsDropped_;
  }

  // A byte of the window that two records give different values is a fault:
  // the gateway would get data other than the bank's records there.
  void Data(std::uint32_t address, const std::vector<std::uint8_t>& data) {
    bool conflictListed = false;
    for (std::size_t i = 0; i < data.size(); ++i) {
      const std::uint64_t at = std::uint64_t(address) + i;
      if (at < kBank1WindowStart || at > kBank1WindowEnd) continue;
      const std::size_t offset = static_cast<std::size_t>(at - kBank1WindowStart);
      if (covered_[offset] && check_.bank[offset] != data[i] && !conflictListed) {
        conflictListed = true;
        std::string problem = "line " + std::to_string(lineNumber_) + ": the record at " +
                              PrefixedHex(address, 6) + " puts " + PrefixedHex(data[i], 2) + " at " +
                              PrefixedHex(static_cast<std::uint32_t>(at), 6) +
                              ", where another record in bank 1 puts " + PrefixedHex(check_.bank[offset], 2);
        if (check_.firstConflict.empty()) check_.firstConflict = problem;
        Problem(std::move(problem));
      }
      check_.bank[offset] = data[i];
      covered_[offset] = true;
      check_.bankSeen = true;
    }
  }

  FirmwareCheck check_;
  std::bitset<kConfigImageSize> covered_;
  std::size_t lineNumber_ = 0;
  std::size_t endLine_ = 0;  // the first end record's line; 0 before it
  std::size_t problemsDropped_ = 0;
};

}  // namespace

FirmwareCheck CheckFirmwareText(std::string_view text) {
  Checker checker;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    checker.Line(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return checker.Finish();
}

FirmwareCheck CheckFirmwareFile(std::string_view path, CheckScope scope) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(path), &std::fclose);
  Checker checker;
  LineReader reader(file.get());
  LinePiece piece;
  std::string line;
  // No record is this long: a longer line is kept cut, and fails as a record.
  constexpr std::size_t kLongestKept = 1024;
  const bool stopEarly = scope == CheckScope::kUpToFirstBadLine;
  while (reader.Next(piece)) {
    if (piece.first) line.clear();
    line.append(piece.text.substr(0, kLongestKept - std::min(line.size(), kLongestKept)));
    // A line past the longest record fails whatever follows: no need to read on.
    if (piece.last || (stopEarly && line.size() >= kLongestKept)) checker.Line(line);
    if (stopEarly && checker.sawBadLine()) break;
  }
  if (reader.failed())
    throw Error(CannotReadFileText(path, errno));
  return checker.Finish();
}

}  // namespace fabrion
