#include "firmware/firmware_composer.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "firmware/line_reader.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/progress_indicator.h"

namespace fabrion {
namespace {

constexpr int kRecordsPerBank = 512;
constexpr std::size_t kRecordDataBytes = 32;
constexpr std::uint32_t kBankWindowSize = 0x4000;
constexpr std::size_t kOutputChunk = 64 * 1024;
constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr const char* kMasterMissing = "File *.Sx Not Found,Abort Procedure";
constexpr const char* kOutputNameEmpty = "File New *.Sx Not Found,Abort Procedure";
constexpr const char* kBinFolderMissing = "Directory Bin Not Found,Abort Procedure";
constexpr const char* kMergeFailed = "File New Sx Not Create,Abort Procedure";

std::uint32_t BankWindowStart(int bank) {
  return 0x388000u + static_cast<std::uint32_t>(bank - 1) * 0x10000u;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendHexByte(std::string& text, unsigned value) {
  text += kHexDigits[(value >> 4) & 0x0F];
  text += kHexDigits[value & 0x0F];
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

std::string CannotOpenFileText(std::string_view path, int errorNumber) {
  return "Cannot open file \"" + std::string(path) + "\". " + SystemErrorText(errorNumber);
}

std::string CannotReadFileText(std::string_view path, int errorNumber) {
  return "Cannot read file \"" + std::string(path) + "\". " + SystemErrorText(errorNumber);
}

// A file held open for one step of the composition.
class HeldFile {
 public:
  HeldFile(std::string_view path, const char* mode) : file_(OpenFile(path, mode)) {}
  ~HeldFile() {
    if (file_) std::fclose(file_);
  }
  HeldFile() : file_(nullptr) {}
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  HeldFile& operator=(HeldFile&& other) noexcept {
    if (this != &other) {
      if (file_) std::fclose(file_);
      file_ = other.file_;
      other.file_ = nullptr;
    }
    return *this;
  }
  std::FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Closes the file; false when the close failed (a write not flushed).
  bool Close() {
    std::FILE* file = file_;
    file_ = nullptr;
    return std::fclose(file) == 0;
  }

 private:
  std::FILE* file_;
};

// The errno of the call that just failed, EIO where it left none.
int LastError() { return errno ? errno : EIO; }

using FailureText = std::string (*)(std::string_view path, int errorNumber);

// Opens path or throws Error with text(path, errno).
void OpenOrThrow(HeldFile& file, std::string_view path, const char* mode, FailureText text) {
  errno = 0;
  file = HeldFile(path, mode);
  if (!file) throw Error(text(path, LastError()));
}

// Removes the bank records file when the composition ends, however it ends.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  ~RemoveOnExit() {
    std::error_code ignored;
    const std::filesystem::path path = ToFsPath(path_);
    if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
  }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::string path_;
};

// Step 3: the bank file as 512 S2 records of 32 bytes in the bank records
// file. A bank file shorter than the window gives zero bytes past its end.
void WriteBankRecords(int bank, const std::string& bankPath, const std::string& recordsPath) {
  HeldFile records, bankFile;
  OpenOrThrow(records, recordsPath, "wb", CannotCreateFileText);
  OpenOrThrow(bankFile, bankPath, "rb", CannotOpenFileText);

  std::string line;
  std::uint32_t address = BankWindowStart(bank);
  for (int k = 0; k < kRecordsPerBank; ++k, address += kRecordDataBytes) {
    unsigned char chunk[kRecordDataBytes] = {};
    errno = 0;
    std::fread(chunk, 1, sizeof chunk, bankFile.get());
    if (std::ferror(bankFile.get())) throw Error(CannotReadFileText(bankPath, LastError()));
    line = "S224";
    AppendHexByte(line, address >> 16);
    AppendHexByte(line, address >> 8);
    AppendHexByte(line, address);
    for (unsigned char byte : chunk) AppendHexByte(line, byte);
    line += "XX";
    const std::string checksum = SRecordChecksum(line, true);
    line.replace(line.size() - 2, 2, checksum);
    line += "\r\n";
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), records.get()) != line.size())
      throw Error(CannotCreateFileText(recordsPath, LastError()));
  }
  errno = 0;
  if (!records.Close()) throw Error(CannotCreateFileText(recordsPath, LastError()));
}

// Steps 5 and 6: the master's lines into the output, the bank's records in
// place of the master's records in the window.
class Merge {
 public:
  Merge(std::uint32_t windowStart, std::FILE* master, std::FILE* records, StagedFile& output,
        ProgressIndicator& progress)
      : windowStart_(windowStart),
        master_(master),
        records_(records),
        output_(output),
        progress_(progress) {
    buffer_.reserve(kOutputChunk);
  }

  // Runs the merge; false when a line could not be read or written, or the
  // master held an empty line or an S2 record without a hexadecimal address.
  bool Run() {
    const long long lines = CountLines(master_);
    if (lines < 0 || std::fseek(master_, 0, SEEK_SET) != 0) return false;
    maximum_ = static_cast<int>(std::min<long long>(lines, INT_MAX - kRecordsPerBank)) +
               kRecordsPerBank;
    progress_.SetMaximum(maximum_);

    LineReader reader(master_);
    LinePiece piece;
    bool copying = false;
    while (reader.Next(piece)) {
      if (piece.first) {
        Step();
        copying = true;
        if (piece.last && piece.text.empty()) return false;
        const std::string_view text = piece.text;
        if (text.starts_with("S2")) {
          const std::optional<std::uint32_t> address = RecordAddress(text);
          if (!address) return false;
          if (*address >= windowStart_ && *address <= windowStart_ + kBankWindowSize - 1) {
            copying = false;
            if (pending_ && !CopyBankRecords()) return false;
            pending_ = false;
          }
        } else if (text.starts_with("S9")) {
          result_ = pending_ ? 0 : 1;
        }
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
  int maximum() const { return maximum_; }

 private:
  static std::optional<std::uint32_t> RecordAddress(std::string_view text) {
    if (text.size() < 10) return std::nullopt;
    std::uint32_t address = 0;
    for (std::size_t i = 4; i < 10; ++i) {
      const int digit = HexValue(text[i]);
      if (digit < 0) return std::nullopt;
      address = (address << 4) | static_cast<std::uint32_t>(digit);
    }
    return address;
  }

  bool CopyBankRecords() {
    LineReader reader(records_);
    LinePiece piece;
    while (reader.Next(piece)) {
      if (piece.first) Step();
      if (!Append(piece.text)) return false;
      if (piece.last && !Append("\r\n")) return false;
    }
    return !reader.failed();
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
  std::FILE* master_;
  std::FILE* records_;
  StagedFile& output_;
  ProgressIndicator& progress_;
  std::string buffer_;
  int position_ = 0;
  int maximum_ = kRecordsPerBank;
  bool pending_ = true;
  int result_ = -1;
};

}  // namespace

std::string SRecordChecksum(std::string_view line, bool checksumOnly) {
  unsigned sum = 0;
  for (std::size_t i = 2; i + 4 <= line.size(); i += 2) {
    const int high = HexValue(line[i]);
    const int low = HexValue(line[i + 1]);
    sum += static_cast<unsigned>((high < 0 ? 0 : high) * 16 + (low < 0 ? 0 : low));
  }
  std::string checksum;
  AppendHexByte(checksum, ~sum & 0xFF);
  if (checksumOnly) return checksum;
  std::string completed(line);
  if (completed.size() < 2) completed.resize(2, ' ');
  completed.replace(completed.size() - 2, 2, checksum);
  return completed;
}

ComposeOutcome ComposeFirmware(int bank, std::string_view masterPath, std::string_view binDir,
                               std::string_view outputName, std::string_view outputDir,
                               ProgressIndicator& progress, MessageBoxes& messages) {
  if (bank < 1 || bank > 5) throw Error("There is no bank " + std::to_string(bank));
  progress.SetPosition(0);

  const std::string bankName = "bank" + std::to_string(bank) + ".bin";
  const std::string bankPath = InFolder(binDir, bankName);
  if (!FileExists(masterPath)) {
    messages.ShowMessage(kMasterMissing);
    return {};
  }
  if (outputName.empty()) {
    messages.ShowMessage(kOutputNameEmpty);
    return {};
  }
  if (!DirectoryExists(binDir)) {
    messages.ShowMessage(kBinFolderMissing);
    return {};
  }
  if (!FileExists(bankPath)) {
    messages.ShowMessage("File " + bankName + " Not Found,Abort Procedure");
    return {};
  }

  const std::string recordsPath = InFolder(binDir, "Bin.sx");
  RemoveOnExit removeRecords(recordsPath);
  WriteBankRecords(bank, bankPath, recordsPath);

  HeldFile records, master;
  OpenOrThrow(records, recordsPath, "rb", CannotOpenFileText);
  OpenOrThrow(master, masterPath, "rb", CannotOpenFileText);
  StagedFile output(InFolder(outputDir, outputName));

  Merge merge(BankWindowStart(bank), master.get(), records.get(), output, progress);
  const bool merged = merge.Run();
  if (!merged) messages.ShowMessage(kMergeFailed);
  progress.SetPosition(progress.Maximum());
  if (merged) output.Commit();
  return {merge.result(), merged};
}

}  // namespace fabrion
