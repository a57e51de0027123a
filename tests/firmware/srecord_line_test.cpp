#include "firmware/srecord_line.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace fabrion {
namespace {

TEST(FormatSRecordLine, WritesUpperCaseDigitsAndTheChecksum) {
  EXPECT_EQ(FormatSRecordLine('2', 0x388000, std::vector<std::uint8_t>(32)),
            "S224388000" + std::string(64, '0') + "23");
  EXPECT_EQ(FormatSRecordLine('9', 0, {}), "S9030000FC");
  EXPECT_EQ(FormatSRecordLine('1', 0xFFFE, {0xAB, 0x01}), "S105FFFEAB0151");
  EXPECT_EQ(FormatSRecordLine('0', 0, {'H', 'D', 'R'}), "S00600004844521B");
  EXPECT_EQ(FormatSRecordLine('3', 0x12345678, {0xFF}), "S30612345678FFE6");
}

TEST(SRecordChecksum, CompletesTheLineOrGivesTheTwoCharacters) {
  const std::string zeros = "S224388000" + std::string(64, '0');
  EXPECT_EQ(SRecordChecksum(zeros + "XX", true), "23");
  EXPECT_EQ(SRecordChecksum(zeros + "??", false), zeros + "23");
  EXPECT_EQ(SRecordChecksum("S1137AF00A0A0D00000000000000000000000000..", false),
            "S1137AF00A0A0D0000000000000000000000000061");
  EXPECT_EQ(SRecordChecksum("S2240000ff" + std::string(64, 'f') + "00", true), "FC");
  // A digit the reader refuses is refused here too, not counted as 0.
  EXPECT_THROW(SRecordChecksum("S9030G00XX", true), Error);
}

TEST(ReadSRecordLine, ReadsTheRecordsItWrites) {
  const std::vector<std::uint8_t> data = {0x00, 0x7F, 0x80, 0xFF};
  for (char type : {'0', '1', '2', '3', '5', '7', '8', '9'}) {
    SCOPED_TRACE(type);
    const std::string line = FormatSRecordLine(type, 0x1234, data);
    const SRecordReading reading = ReadSRecordLine(line);
    ASSERT_TRUE(reading.record) << reading.problem;
    EXPECT_EQ(reading.record->type, type);
    EXPECT_EQ(reading.record->address, 0x1234u);
    EXPECT_EQ(reading.record->data, data);
  }
  const SRecordReading lower = ReadSRecordLine("s9030000fc");
  EXPECT_FALSE(lower.record);  // the type letter is upper case
  const SRecordReading lowerDigits = ReadSRecordLine("S105fffeab0151");
  ASSERT_TRUE(lowerDigits.record);
  EXPECT_EQ(lowerDigits.record->address, 0xFFFEu);
}

TEST(ReadSRecordLine, NamesWhatIsWrongWithALine) {
  const struct {
    const char* line;
    const char* problem;
  } cases[] = {
      {"", "empty line"},
      {":10010000214601360121470136007EFE09D2190140", "no S-record (it does not start with S0 to S9)"},
      {"S9030000FD", "checksum FD, the record's bytes give FC"},
      {"S9040000FC", "byte count 04 but 3 bytes follow"},
      {"S9030000F", "odd number of hexadecimal digits"},
      {"S90300G0FC", "character 7 is no hexadecimal digit"},
      {"S4030000FC", "record type S4 is reserved"},
      {"S201FE", "too short for its address"},
      {"S9", "no byte count"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const SRecordReading reading = ReadSRecordLine(c.line);
    EXPECT_FALSE(reading.record);
    EXPECT_EQ(reading.problem, c.problem);
  }
}

}  // namespace
}  // namespace fabrion
