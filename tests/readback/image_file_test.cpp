#include "readback/image_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/temp_folder.h"
#include "firmware/srecord_line.h"
#include "firmware/firmware_files.h"
#include "platform/error.h"

namespace fabrion {
namespace {

std::string Bytes(const ConfigImage& image) {
  return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

TEST(ReadConfigImageFile, TakesTheImageOfABankFileOrAComposedFile) {
  test::TempFolder folder;
  test::WriteFileBytes(folder / "bank1.bin", Bytes(test::SampleImage()));
  test::WriteFileBytes(folder / "New_ravelin.sx",
                       test::JoinLines(test::ComposedFirmwareLines(test::SampleImage())));
  EXPECT_EQ(ReadConfigImageFile(folder / "bank1.bin"), test::SampleImage());
  EXPECT_EQ(ReadConfigImageFile(folder / "New_ravelin.sx"), test::SampleImage());
}

TEST(ReadConfigImageFile, SaysWhyAFileHoldsNoCompleteConfiguration) {
  test::TempFolder folder;
  const auto lines = test::ComposedFirmwareLines(test::SampleImage());
  auto missingRecord = lines;
  missingRecord.erase(missingRecord.begin() + 1 + 8 + 3);  // header, 8 code records, bank record 3
  auto badChecksum = lines;
  std::string& bad = badChecksum[20];
  bad.back() = bad.back() == '0' ? '1' : '0';
  const std::string badProblem = ReadSRecordLine(bad).problem;
  // A CR left before the line's CR LF is no part of a record.
  auto strayCr = lines;
  strayCr[30] += '\r';
  const std::string strayProblem = ReadSRecordLine(strayCr[30]).problem;
  // A second record for the bank's first row, with another data type: the
  // gateway would get one of two configurations.
  auto twoValues = lines;
  twoValues.insert(twoValues.end() - 1, FormatSRecordLine('2', kBank1WindowStart, {4}));

  // A firmware file cut to exactly the bank file's size is still S-record text.
  const std::string cut = test::JoinLines(lines).substr(0, kConfigImageSize);
  const std::string cutLine = cut.substr(cut.rfind('\n') + 1);
  const std::string cutWhy = "line " + std::to_string(std::count(cut.begin(), cut.end(), '\n') + 1) +
                             ": " + ReadSRecordLine(cutLine).problem;
  auto afterEnd = lines;
  afterEnd.insert(afterEnd.begin(), "S9030000FC");

  const struct {
    const char* name;
    std::string bytes;
    std::string why;
  } cases[] = {
      {"short.bin", std::string(16383, '\0'),
       "it holds no S-records, and a bank file holds 16384 bytes, not 16383"},
      {"long.bin", std::string(16385, 'S'),
       "line 1: no S-record (it does not start with S0 to S9)"},
      {"empty.bin", "", "it holds no S-records, and a bank file holds 16384 bytes, not 0"},
      {"gap.sx", test::JoinLines(missingRecord),
       "it holds 511 of the 512 records of bank 1 (0x388000 to 0x38BFFF), the first missing at "
       "0x388060"},
      {"checksum.sx", test::JoinLines(badChecksum), "line 21: " + badProblem},
      {"stray-cr.sx", test::JoinLines(strayCr), "line 31: " + strayProblem},
      {"two-values.sx", test::JoinLines(twoValues),
       "line 522: the record at 0x388000 puts 0x04 at 0x388000, where another record in bank 1 "
       "puts 0x03"},
      {"cut.sx", cut, cutWhy},
      {"after-end.sx", test::JoinLines(afterEnd), "line 3: a data record after the end record on line 1"},
      {"nobank.sx", "S00600004844521B\r\nS9030000FC\r\n",
       "it holds 0 of the 512 records of bank 1 (0x388000 to 0x38BFFF), the first missing at "
       "0x388000"},
  };
  for (const auto& c : cases) {
    const std::string path = folder / c.name;
    test::WriteFileBytes(path, c.bytes);
    try {
      ReadConfigImageFile(path);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "\"" + path + "\" holds no complete configuration: " + c.why + ".")
          << c.name;
    }
  }
}

}  // namespace
}  // namespace fabrion
