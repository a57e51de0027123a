#include "firmware/firmware_composer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "firmware/line_reader.h"
#include "firmware/srecord_line.h"
#include "platform/output_file.h"
#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/hex_text.h"
#include "platform/paths.h"
#include "platform/progress_indicator.h"

namespace fabrion {
namespace {

constexpr int kRecordsPerBank = 512;
constexpr std::size_t kRecordDataBytes = 32;
constexpr std::uint32_t kBankWindowSize = 0x4000;
constexpr std::size_t kOutputChunk = 64 * 1024;

constexpr const char* kMasterMissing = "File *.Sx Not Found,Abort Procedure";
constexpr const char* kOutputNameEmpty = "File New *.Sx Not Found,Abort Procedure";
constexpr const char* kBinFolderMissing = "Directory Bin Not Found,Abort Procedure";
constexpr const char* kMergeFailed = "File New Sx Not Create,Abort Procedure";

using BankBytes = std::array<std::uint8_t, kBankWindowSize>;

std::uint32_t BankWindowStart(int bank) {
  return 0x388000u + static_cast<std::uint32_t>(bank - 1) * 0x10000u;
}

// The value of the hexadecimal digits text[at, at + count) of a master line,
// or nothing. The master's lines are not read as S-records: the merge copies
// them as they stand, checksums unread; it reads only a record's type, its
// address, its byte count and its bytes that fall in the bank's window.
std::optional<std::uint32_t> HexNumber(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  return ParseHex(text.substr(at, count));
}

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == kPathSeparator;
#endif
}

// folder and name with one separator between them; an empty folder leaves the name alone.
std::string InFolder(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !IsSeparator(path.back())) path += kPathSeparator;
  path += name;
  return path;
}

// The errno of the call that just failed, EIO where it left none.
int LastError() { return errno ? errno : EIO; }

// A file held open for one step of the composition.
class HeldFile {
 public:
  explicit HeldFile(std::FILE* file) : file_(file) {}
  ~HeldFile() {
    if (file_) std::fclose(file_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  std::FILE* get() const { return file_; }
  // Closes the file; false when the close failed (a write not flushed).
  bool Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
  }

 private:
  std::FILE* file_;
};

// Removes the bank records file when the composition ends, however it ends.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  ~RemoveOnExit() {
    std::error_code ignored;
    const std::filesystem::path path = ToFsPath(path_);
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ignored)))
      std::filesystem::remove(path, ignored);
  }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::string path_;
};

// The bank file's first 16384 bytes; zero bytes past a shorter file's end.
BankBytes ReadBankFile(const std::string& bankPath) {
  HeldFile bankFile(OpenRegularFile(bankPath));
  BankBytes bytes{};
  errno = 0;
  std::fread(bytes.data(), 1, bytes.size(), bankFile.get());
  if (std::ferror(bankFile.get())) throw Error(CannotReadFileText(bankPath, LastError()));
  return bytes;
}

// The bank as its 512 S2 records of 32 bytes, each line ended by CR LF.
std::string BankRecordLines(std::uint32_t windowStart, const BankBytes& bytes) {
  std::string lines;
  std::vector<std::uint8_t> data(kRecordDataBytes);
  for (std::size_t k = 0; k < kRecordsPerBank; ++k) {
    const std::uint32_t address = windowStart + static_cast<std::uint32_t>(k * kRecordDataBytes);
    std::copy_n(bytes.begin() + k * kRecordDataBytes, kRecordDataBytes, data.begin());
    lines += FormatSRecordLine('2', address, data);
    lines += "\r\n";
  }
  return lines;
}

// Step 3: the bank records file, made new. Whatever had its name (a file
// left by a killed run, a link a user placed) is removed first, so nothing
// is ever written through it; a folder of that name is not ours to remove.
void WriteBankRecords(const std::string& recordsPath, std::string_view lines) {
  const std::filesystem::path path = ToFsPath(recordsPath);
  std::error_code ec;
  const std::filesystem::file_status there = std::filesystem::symlink_status(path, ec);
  if (std::filesystem::is_directory(there)) throw Error(CannotCreateFileText(recordsPath, EISDIR));
  if (std::filesystem::exists(there) || std::filesystem::is_symlink(there))
    std::filesystem::remove(path, ec);
  errno = 0;
  HeldFile records(CreateNewFile(recordsPath));
  if (!records.get()) throw Error(CannotCreateFileText(recordsPath, LastError()));
  errno = 0;
  if (std::fwrite(lines.data(), 1, lines.size(), records.get()) != lines.size())
    throw Error(CannotCreateFileText(recordsPath, LastError()));
  errno = 0;
  if (!records.Close()) throw Error(CannotCreateFileText(recordsPath, LastError()));
}

// Steps 5 and 6: the master's lines into the output, the bank's records in
// place of the master's records in the window.
class Merge {
 public:
  Merge(std::uint32_t windowStart, std::string bankName, const BankBytes& bank,
        std::string_view bankRecords, std::FILE* master, OutputFile& output,
        ProgressIndicator& progress)
      : windowStart_(windowStart),
        windowEnd_(std::uint64_t{windowStart} + kBankWindowSize),
        bankName_(std::move(bankName)),
        bank_(bank),
        bankRecords_(bankRecords),
        master_(master),
        output_(output),
        progress_(progress) {
    buffer_.reserve(kOutputChunk);
  }

  // Runs the merge; false when a line could not be read or written, the
  // master held an empty line before its last non-empty one or an S2 record
  // without a hexadecimal address, or a record would give the window other
  // bytes than the bank's (why() then tells which and why).
  bool Run() {
    const std::int64_t lines = CountLines(master_);
    if (lines < 0 || std::fseek(master_, 0, SEEK_SET) != 0) return false;
    maximum_ = lines + kRecordsPerBank;
    progress_.SetMaximum(maximum_);

    LineReader reader(master_);
    LinePiece piece;
    bool copying = false;
    std::int64_t emptyLines = 0;  // seen since the last non-empty line
    while (reader.Next(piece)) {
      if (piece.first) {
        Step();
        ++line_;
        // An empty line is held back: only a later non-empty line makes it
        // one that stops the merge; after the last one it is passed over.
        if (piece.last && piece.text.empty()) {
          ++emptyLines;
          copying = false;
          continue;
        }
        if (emptyLines > 0) return false;
        copying = KeepLine(piece.text);
        if (!why_.empty()) return false;
        if (!copying && failed_) return false;
      }
      if (copying) {
        if (!Append(piece.text)) return false;
        if (piece.last && !Append("\r\n")) return false;
      }
    }
    if (reader.failed()) return false;
    return Flush();
  }

  int result() const { return result_; }
  bool bankPlaced() const { return !pending_; }
  // Why the merge stopped at a record, as a line for the user; empty otherwise.
  const std::string& why() const { return why_; }

 private:
  // Classifies the start of a master line: false when it is not copied (an
  // S2 record in the window, or a failure: failed_ or why_ is then set).
  bool KeepLine(std::string_view text) {
    if (text.starts_with("S2")) {
      const std::optional<std::uint32_t> address = HexNumber(text, 4, 6);
      if (!address) {
        failed_ = true;
        return false;
      }
      if (*address >= windowStart_ && *address < windowEnd_) {
        const std::uint64_t end = *address + DataBytes(text, 3);
        if (end > windowEnd_) {
          Refuse(*address, 6, "it reaches past the end of the configuration area (" +
                                  PrefixedHex(windowEnd_ - 1, 6) + ")");
          return false;
        }
        if (pending_ && !CopyBankRecords()) failed_ = true;
        pending_ = false;
        return false;
      }
      CheckBytesInWindow(text, *address, 3);
    } else if (text.starts_with("S3")) {
      if (const std::optional<std::uint32_t> address = HexNumber(text, 4, 8))
        CheckBytesInWindow(text, *address, 4);
    } else if (text.starts_with("S9")) {
      result_ = pending_ ? 0 : 1;
    }
    return why_.empty();
  }

  // The data bytes a record's byte count announces (0 when it has none).
  static std::uint64_t DataBytes(std::string_view text, std::size_t addressBytes) {
    const std::optional<std::uint32_t> count = HexNumber(text, 2, 2);
    return count && *count > addressBytes ? *count - addressBytes - 1 : 0;
  }

  // A record the merge keeps may reach into the window only with exactly
  // the bank's bytes there: the gateway must not get two values for one address.
  void CheckBytesInWindow(std::string_view text, std::uint32_t address, std::size_t addressBytes) {
    const std::uint64_t end = address + DataBytes(text, addressBytes);
    const std::uint64_t from = std::max<std::uint64_t>(address, windowStart_);
    const std::uint64_t to = std::min(end, windowEnd_);
    const int digits = static_cast<int>(2 * addressBytes);
    for (std::uint64_t at = from; at < to; ++at) {
      const std::size_t digit = 4 + 2 * addressBytes + 2 * static_cast<std::size_t>(at - address);
      const std::optional<std::uint32_t> byte = HexNumber(text, digit, 2);
      const std::uint8_t expected = bank_[static_cast<std::size_t>(at - windowStart_)];
      if (byte && *byte == expected) continue;
      Refuse(address, digits,
             byte ? "it puts " + PrefixedHex(*byte, 2) + " at " + PrefixedHex(at, 6) + ", where " +
                        bankName_ + " has " + PrefixedHex(expected, 2)
                  : "its byte for " + PrefixedHex(at, 6) + " is no hexadecimal number");
      return;
    }
  }

  void Refuse(std::uint32_t address, int digits, const std::string& why) {
    why_ = "Line " + std::to_string(line_) + ", record at " + PrefixedHex(address, digits) + ": " +
           why;
  }

  bool CopyBankRecords() {
    std::string_view rest = bankRecords_;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n') + 1;
      Step();
      if (!Append(rest.substr(0, end))) return false;
      rest.remove_prefix(end);
    }
    return true;
  }

  void Step() { progress_.SetPosition(++position_); }

  bool Append(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kOutputChunk && !Flush()) return false;
    if (bytes.size() >= kOutputChunk) return output_.Write(bytes);
    buffer_ += bytes;
    return true;
  }

  bool Flush() {
    const bool written = output_.Write(buffer_);
    buffer_.clear();
    return written;
  }

  const std::uint32_t windowStart_;
  const std::uint64_t windowEnd_;  // one past the window's last address
  const std::string bankName_;
  const BankBytes& bank_;
  std::string_view bankRecords_;
  std::FILE* master_;
  OutputFile& output_;
  ProgressIndicator& progress_;
  std::string buffer_;
  std::int64_t position_ = 0;
  std::int64_t maximum_ = kRecordsPerBank;
  std::int64_t line_ = 0;  // the master's line being merged, from 1
  bool pending_ = true;
  bool failed_ = false;
  int result_ = -1;
  std::string why_;
};

}  // namespace

std::string NoConfigurationAreaText(int bank) {
  const std::uint32_t start = BankWindowStart(bank);
  return "The master firmware file has no configuration area (" + PrefixedHex(start, 6) + " to " +
         PrefixedHex(start + kBankWindowSize - 1, 6) + "): nothing was started.";
}

ComposeOutcome ComposeFirmware(int bank, std::string_view masterPath, std::string_view binDir,
                               std::string_view outputName, std::string_view outputDir,
                               ProgressIndicator& progress) {
  if (bank < 1 || bank > 5) throw Error("There is no bank " + std::to_string(bank));
  progress.SetPosition(0);

  const std::string bankName = "bank" + std::to_string(bank) + ".bin";
  const std::string bankPath = InFolder(binDir, bankName);
  const auto stopped = [](std::string message, bool inputMissing) {
    ComposeOutcome outcome;
    outcome.message = std::move(message);
    outcome.inputMissing = inputMissing;
    return outcome;
  };
  if (!FileExists(masterPath)) return stopped(kMasterMissing, true);
  if (outputName.empty()) return stopped(kOutputNameEmpty, false);
  if (!DirectoryExists(binDir)) return stopped(kBinFolderMissing, true);
  if (!FileExists(bankPath)) return stopped("File " + bankName + " Not Found,Abort Procedure", true);

  const std::uint32_t windowStart = BankWindowStart(bank);
  const std::string recordsPath = InFolder(binDir, "Bin.sx");
  RemoveOnExit removeRecords(recordsPath);
  const auto asInput = [](auto read) {
    try {
      return read();
    } catch (const Error& e) {
      throw UnreadableInput(e.what());
    }
  };
  const BankBytes bankBytes = asInput([&] { return ReadBankFile(bankPath); });
  const std::string bankRecords = BankRecordLines(windowStart, bankBytes);
  WriteBankRecords(recordsPath, bankRecords);

  HeldFile master(asInput([&] { return OpenRegularFile(masterPath); }));
  OutputFile output(InFolder(outputDir, outputName));

  Merge merge(windowStart, bankName, bankBytes, bankRecords, master.get(), output, progress);
  const bool merged = merge.Run();
  progress.SetPosition(progress.Maximum());
  if (merged) {
    // Windows replaces no file that is still open, and the output may be the
    // master itself.
    master.Close();
    output.Commit();
  }
  ComposeOutcome outcome{merge.result(), merged, merged && merge.bankPlaced(), {}};
  if (!merged)
    outcome.message = merge.why().empty() ? std::string(kMergeFailed)
                                          : std::string(kMergeFailed) + "\n" + merge.why();
  return outcome;
}

}  // namespace fabrion
