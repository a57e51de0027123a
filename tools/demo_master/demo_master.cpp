// Writes a demo master firmware file for the gateway, so that the program's
// workflow runs end to end where the maker's own ravelin.sx is not installed.
// It is a well-formed S-record file laid out as the real one is: a header,
// reset vectors and code below the bank windows, bank 1 (0x388000 to
// 0x38BFFF) as an empty configuration in 16-byte records, and an S9 end.
// It is no firmware: its code bytes are a fixed pseudo-random pattern.
//   fabrion_demo_master OUTPUT_FILE
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "readback/firmware_check.h"
#include "firmware/srecord_line.h"

namespace {

constexpr const char* kHeader = "ravelin.sx DEMO MASTER - NOT FOR A DEVICE";
constexpr std::uint32_t kCodeStart = 0x380000;
constexpr std::uint32_t kCodeBytes = 0x8000;
constexpr std::uint32_t kVectorsStart = 0xFF80;
constexpr std::uint32_t kVectorsBytes = 0x80;
constexpr int kBankRecordBytes = 16;

// A fixed sequence, the same on every build.
class Pattern {
 public:
  std::uint8_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(state_ >> 16);
  }

 private:
  std::uint32_t state_ = 0x30551;
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FILE\n", argv[0]);
    return 2;
  }
  std::vector<std::string> lines;
  lines.push_back(fabrion::FormatSRecordLine(
      '0', 0, std::vector<std::uint8_t>(kHeader, kHeader + std::char_traits<char>::length(kHeader))));

  // Reset and interrupt vectors, all pointing at the start of the code.
  for (std::uint32_t at = kVectorsStart; at < kVectorsStart + kVectorsBytes; at += 16) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 8; ++i) data.insert(data.end(), {0x80, 0x00});
    lines.push_back(fabrion::FormatSRecordLine('1', at, data));
  }
  Pattern pattern;
  for (std::uint32_t at = kCodeStart; at < kCodeStart + kCodeBytes; at += 32) {
    std::vector<std::uint8_t> data(32);
    for (auto& byte : data) byte = pattern.Next();
    lines.push_back(fabrion::FormatSRecordLine('2', at, data));
  }
  for (std::uint32_t at = fabrion::kBank1WindowStart; at <= fabrion::kBank1WindowEnd;
       at += kBankRecordBytes)
    lines.push_back(fabrion::FormatSRecordLine('2', at, std::vector<std::uint8_t>(kBankRecordBytes)));
  lines.push_back(fabrion::FormatSRecordLine('9', 0, {}));

  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  for (const std::string& line : lines) out << line << "\r\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
