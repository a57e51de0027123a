#include "readback/firmware_check.h"

#include <gtest/gtest.h>

#include "fakes/temp_folder.h"
#include "firmware/firmware_files.h"
#include "readback/firmware_report.h"
#include "platform/error.h"

namespace fabrion {
namespace {

using test::ComposedFirmwareLines;
using test::JoinLines;
using test::SampleImage;

TEST(CheckFirmwareText, PassesAComposedFileAndTakesItsImage) {
  const FirmwareCheck check = CheckFirmwareText(JoinLines(ComposedFirmwareLines(SampleImage())));
  EXPECT_TRUE(check.Passed()) << ::testing::PrintToString(check.problems);
  EXPECT_EQ(check.records, 1u + 8u + 512u + 1u);
  EXPECT_EQ(check.badLines, 0u);
  EXPECT_EQ(check.header, "demo");
  EXPECT_EQ(check.bankRecordsPresent, 512);
  EXPECT_EQ(check.endRecord, "S9");
  EXPECT_TRUE(check.bankSeen);
  EXPECT_EQ(check.bank, SampleImage());
}

TEST(CheckFirmwareText, ReportsEachFault) {
  const ConfigImage image = SampleImage();
  struct Case {
    const char* fault;
    std::vector<std::string> lines;
    std::vector<std::string> problems;
  };
  std::vector<Case> cases;

  auto lines = ComposedFirmwareLines(image);
  lines[20].back() = lines[20].back() == '0' ? '1' : '0';
  cases.push_back({"bad checksum in a bank record", lines,
                   {"line 21: checksum " + lines[20].substr(lines[20].size() - 2) +
                        ", the record's bytes give " +
                        ComposedFirmwareLines(image)[20].substr(lines[20].size() - 2),
                    "bank 1 lacks 1 of its 512 records, the first at 0x388160"}});

  lines = ComposedFirmwareLines(image);
  lines.erase(lines.begin() + 9 + 300);
  cases.push_back({"a bank record missing", lines,
                   {"bank 1 lacks 1 of its 512 records, the first at 0x38A580"}});

  lines = ComposedFirmwareLines(image);
  lines.pop_back();
  cases.push_back({"no end record", lines, {"no end record (S7, S8 or S9)"}});

  lines = ComposedFirmwareLines(image);
  lines.back() = "S804000000FB";
  cases.push_back({"an S8 end record", lines, {}});

  lines = ComposedFirmwareLines(image);
  lines.insert(lines.begin() + 3, "");
  cases.push_back({"an empty line", lines, {"line 4: empty line"}});

  lines = ComposedFirmwareLines(image);
  lines.resize(9);
  cases.push_back({"nothing of bank 1", lines,
                   {"bank 1 lacks 512 of its 512 records, the first at 0x388000",
                    "no end record (S7, S8 or S9)"}});

  // Data in the window other than the bank's records: two values for one address.
  lines = ComposedFirmwareLines(image);
  lines.insert(lines.begin() + 2, FormatSRecordLine('3', 0x38800A, {image[10], 0x99}));
  cases.push_back({"an S3 record with other bytes in the window", lines,
                   {"line 11: the record at 0x388000 puts 0x10 at 0x38800B, where another "
                    "record in bank 1 puts 0x99"}});
  lines = ComposedFirmwareLines(image);
  lines.insert(lines.end() - 1, FormatSRecordLine('2', 0x387FF8, std::vector<std::uint8_t>(16, 0x55)));
  cases.push_back({"a later record reaching into the window", lines,
                   {"line 522: the record at 0x387FF8 puts 0x55 at 0x388000, where another "
                    "record in bank 1 puts 0x03"}});

  // A loader stops at the first end record: what follows is never programmed.
  lines = ComposedFirmwareLines(image);
  lines.insert(lines.begin(), "S9030000FC");
  cases.push_back({"an end record on line 1", lines,
                   {"line 3: a data record after the end record on line 1",
                    "bank 1 lacks 512 of its 512 records, the first at 0x388000"}});
  lines = ComposedFirmwareLines(image);
  lines.insert(lines.begin() + 9, lines.back());
  cases.push_back({"bank 1 after an end record", lines,
                   {"line 11: a data record after the end record on line 10",
                    "bank 1 lacks 512 of its 512 records, the first at 0x388000"}});
  lines = ComposedFirmwareLines(image);
  lines.insert(lines.begin() + 2, FormatSRecordLine('3', 0x38800A, {image[10], image[11]}));
  cases.push_back({"a record with the bank's own bytes", lines, {}});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    const FirmwareCheck check = CheckFirmwareText(JoinLines(c.lines));
    EXPECT_EQ(check.problems, c.problems);
    EXPECT_EQ(check.Passed(), c.problems.empty());
  }
}

TEST(CheckFirmwareText, CountsBankRecordsOfAnySizeByTheBytesTheyCover) {
  // 16-byte records, as a master file may hold them, cover the window as well.
  std::string text;
  for (std::uint32_t at = kBank1WindowStart; at <= kBank1WindowEnd; at += 16)
    text += FormatSRecordLine('2', at, std::vector<std::uint8_t>(16, 1)) + "\n";
  text += "S9030000FC";  // LF ends and no end mark on the last line
  const FirmwareCheck check = CheckFirmwareText(text);
  EXPECT_TRUE(check.Passed()) << ::testing::PrintToString(check.problems);
  EXPECT_EQ(check.records, 1025u);
  EXPECT_EQ(check.bank[16383], 1);
}

TEST(CheckFirmwareText, ListsTwentyBadLinesAndCountsTheRest) {
  std::string text;
  for (int i = 0; i < 25; ++i) text += "garbage\r\n";
  const FirmwareCheck check = CheckFirmwareText(text);
  ASSERT_EQ(check.problems.size(), 23u);
  EXPECT_EQ(check.problems[0], "line 1: no S-record (it does not start with S0 to S9)");
  EXPECT_EQ(check.problems[20], "and 5 more lines like these");
  EXPECT_EQ(check.badLines, 25u);
}

TEST(CheckFirmwareFile, ReadsAFileAndRefusesAMissingOne) {
  test::TempFolder folder;
  const std::string path = folder / "New_ravelin.sx";
  test::WriteFileBytes(path, JoinLines(ComposedFirmwareLines(SampleImage())));
  EXPECT_TRUE(CheckFirmwareFile(path).Passed());
  try {
    CheckFirmwareFile(folder / "missing.sx");
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + (folder / "missing.sx") + "\". No such file or directory");
  }
}

TEST(CheckFirmwareFile, StopsAtTheFirstBadLineWhenAskedTo) {
  test::TempFolder folder;
  const std::string path = folder / "bad.sx";
  test::WriteFileBytes(path, "S00600004844521B\r\ngarbage\r\n" + std::string(5000, 'S') + "\r\nS9030000FC\r\n");
  EXPECT_EQ(CheckFirmwareFile(path).badLines, 2u);
  const FirmwareCheck stopped = CheckFirmwareFile(path, CheckScope::kUpToFirstBadLine);
  EXPECT_EQ(stopped.badLines, 1u);
  EXPECT_EQ(stopped.firstBadLine, "line 2: no S-record (it does not start with S0 to S9)");
  EXPECT_EQ(stopped.endRecord, "");
}

TEST(FirmwareReportText, TellsTheChecksAndTheConfiguration) {
  const FirmwareCheck check = CheckFirmwareText(JoinLines(ComposedFirmwareLines(SampleImage())));
  EXPECT_EQ(FirmwareReportText(check),
            "Checks\n"
            "  522 records, every one well-formed with its correct checksum\n"
            "  Header \"demo\"\n"
            "  Bank 1: all 512 records present (0x388000 to 0x38BFFF)\n"
            "  End record S9\n"
            "Result: the file passed every check.\n"
            "\n"
            "General parameters\n"
            "  IP address 192.168.1.10\n"
            "  Subnet mask 255.255.255.0\n"
            "  Default gateway 192.168.1.1\n"
            "  TCP port 502\n"
            "  SNMP community (public) \"kombri\"\n"
            "  SNMP community (private) \"drevant\"\n"
            "  Baud rate 9600\n"
            "  Parity Even\n"
            "  RTU time-out 1000 ms\n"
            "  System data offset 5\n"
            "  Operation mode NAT Mode\n"
            "  RTU address 247\n"
            "  Build date and time 2026-12-09 13:45:58\n"
            "\n"
            "Translate table: 2 rows\n"
            "  Row 1: Holding Register, RTU address 100, device 192.168.1.20, TCP address 0, 10 points\n"
            "  Row 2: Coil Status, RTU address 10000, device 10.0.0.7, TCP address 1000, 1 point\n");
}

TEST(FirmwareReportText, SaysWhyAFileFailed) {
  auto lines = ComposedFirmwareLines(ConfigImage{});
  lines.pop_back();
  lines[1] = "S2";
  EXPECT_EQ(FirmwareReportText(CheckFirmwareText(JoinLines(lines))),
            "Checks\n"
            "  520 good records and 1 bad line\n"
            "  Header \"demo\"\n"
            "  Bank 1: all 512 records present (0x388000 to 0x38BFFF)\n"
            "  No end record\n"
            "  Problem: line 2: no byte count\n"
            "  Problem: no end record (S7, S8 or S9)\n"
            "Result: the file FAILED 2 checks; it must not be programmed.\n"
            "\n"
            "General parameters\n"
            "  IP address 0.0.0.0\n"
            "  Subnet mask 0.0.0.0\n"
            "  Default gateway 0.0.0.0\n"
            "  TCP port 0\n"
            "  SNMP community (public) \"\"\n"
            "  SNMP community (private) \"\"\n"
            "  Baud rate 1200\n"
            "  Parity None\n"
            "  RTU time-out 0 ms\n"
            "  System data offset 0\n"
            "  Operation mode Routing Mode\n"
            "  RTU address 0\n"
            "  Build date and time not stored\n"
            "\n"
            "Translate table: no rows\n");
  EXPECT_EQ(FirmwareReportText(CheckFirmwareText("S9030000FC\r\n")),
            "Checks\n"
            "  1 record, every one well-formed with its correct checksum\n"
            "  End record S9\n"
            "  Problem: bank 1 lacks 512 of its 512 records, the first at 0x388000\n"
            "Result: the file FAILED 1 check; it must not be programmed.\n"
            "\n"
            "The file holds no data for bank 1, so it carries no configuration.\n");
}

}  // namespace
}  // namespace fabrion
