// libFuzzer target: arbitrary bytes as the master firmware file. The composer
// must agree with a plain model of the merge written here, line for line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "firmware/firmware_composer.h"
#include "firmware/line_reader.h"
#include "platform/error.h"
#include "platform/progress_indicator.h"

namespace {

namespace fs = std::filesystem;

void Require(bool holds) {
  if (!holds) std::abort();
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Model {
  std::string output;
  int result = -1;
  bool ranToEnd = true;
  bool bankPlaced = false;
};

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of the hexadecimal digits line[at, at + count), or -1.
long long HexAt(const std::string& line, std::size_t at, std::size_t count) {
  if (at + count > line.size()) return -1;
  long long value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (Hex(line[i]) < 0) return -1;
    value = value * 16 + Hex(line[i]);
  }
  return value;
}

constexpr long long kWindowStart = 0x388000;
constexpr long long kWindowEnd = 0x38C000;  // one past the window

// The bank file of the fuzz folder: byte i is i * 7.
std::uint8_t BankByte(long long address) {
  return static_cast<std::uint8_t>((address - kWindowStart) * 7);
}

// True when every byte the record puts into the window is the bank's there.
bool SameBytesInWindow(const std::string& line, long long address, std::size_t addressBytes) {
  const long long count = HexAt(line, 2, 2);
  const long long dataBytes = count > static_cast<long long>(addressBytes) ? count - addressBytes - 1 : 0;
  for (long long at = address; at < address + dataBytes; ++at) {
    if (at < kWindowStart || at >= kWindowEnd) continue;
    const long long byte = HexAt(line, 4 + 2 * addressBytes + 2 * (at - address), 2);
    if (byte != BankByte(at)) return false;
  }
  return true;
}

Model MergeModel(const std::string& master, const std::string& records) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < master.size()) {
    std::size_t lf = master.find('\n', start);
    std::string line = master.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  // Empty lines after the last non-empty one are passed over; any other stops the merge.
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  Model model;
  bool pending = true;
  for (const std::string& line : lines) {
    if (line.empty()) {
      model.ranToEnd = false;
      return model;
    }
    if (line.rfind("S2", 0) == 0) {
      const long long address = HexAt(line, 4, 6);
      if (address < 0) {
        model.ranToEnd = false;
        return model;
      }
      if (address >= kWindowStart && address < kWindowEnd) {
        const long long count = HexAt(line, 2, 2);
        if (address + (count > 4 ? count - 4 : 0) > kWindowEnd) {  // master bytes past the window
          model.ranToEnd = false;
          return model;
        }
        if (pending) model.output += records;
        pending = false;
        continue;
      }
      if (!SameBytesInWindow(line, address, 3)) {  // a second value for a window address
        model.ranToEnd = false;
        return model;
      }
    } else if (line.rfind("S3", 0) == 0) {
      const long long address = HexAt(line, 4, 8);
      if (address >= 0 && !SameBytesInWindow(line, address, 4)) {
        model.ranToEnd = false;
        return model;
      }
    } else if (line.rfind("S9", 0) == 0) {
      model.result = pending ? 0 : 1;
    }
    model.output += line + "\r\n";
  }
  model.bankPlaced = !pending;
  return model;
}

struct Folder {
  Folder() {
    path = fs::temp_directory_path() / ("fabrion-fuzz-compose-" + std::to_string(std::random_device()()));
    fs::create_directories(path / "bin");
    std::string bank(16384, '\0');
    for (std::size_t i = 0; i < bank.size(); ++i) bank[i] = static_cast<char>(i * 7);
    std::ofstream(path / "bin/bank1.bin", std::ios::binary) << bank;
    // The bank's records, once, from a master that is one window record.
    std::ofstream(path / "ravelin.sx", std::ios::binary) << "S2243880000\n";
    fabrion::HeldProgress progress;
    fabrion::ComposeFirmware(1, (path / "ravelin.sx").string(), (path / "bin").string(),
                             "New_ravelin.sx", path.string(), progress);
    records = ReadAll(path / "New_ravelin.sx");
    Require(records.size() == 512 * 78);
  }
  fs::path path;
  std::string records;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Folder folder;
  const std::string master(reinterpret_cast<const char*>(data), size);
  std::error_code ec;
  fs::remove(folder.path / "New_ravelin.sx", ec);
  std::ofstream(folder.path / "ravelin.sx", std::ios::binary | std::ios::trunc) << master;

  fabrion::HeldProgress progress;
  const fabrion::ComposeOutcome outcome =
      fabrion::ComposeFirmware(1, (folder.path / "ravelin.sx").string(), (folder.path / "bin").string(),
                               "New_ravelin.sx", folder.path.string(), progress);
  const Model model = MergeModel(master, folder.records);
  Require(outcome.ranToEnd == model.ranToEnd);
  Require(outcome.ranToEnd == outcome.message.empty());
  Require(!fs::exists(folder.path / "bin/Bin.sx"));
  Require(progress.Position() == progress.Maximum());
  if (outcome.ranToEnd) {
    Require(outcome.result == model.result);
    Require(outcome.bankPlaced == model.bankPlaced);
    Require(ReadAll(folder.path / "New_ravelin.sx") == model.output);
  } else {
    Require(!fs::exists(folder.path / "New_ravelin.sx"));
  }
  return 0;
}
