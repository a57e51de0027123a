#include "firmware/firmware_composer.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

constexpr std::uint32_t kWindow = 0x388000;

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// An S1, S2 or S3 record built here, with its checksum summed here.
std::string Record(char type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
  const int addressBytes = type - '0' + 1;
  unsigned sum = static_cast<unsigned>(data.size() + addressBytes + 1);
  std::string line = std::string("S") + type + Hex(sum, 2) + Hex(address, 2 * addressBytes);
  for (int shift = 0; shift < 8 * addressBytes; shift += 8) sum += (address >> shift) & 0xFF;
  for (auto byte : data) {
    line += Hex(byte, 2);
    sum += byte;
  }
  return line + Hex(~sum & 0xFF, 2);
}

std::string S2(std::uint32_t address, const std::vector<std::uint8_t>& data) {
  return Record('2', address, data);
}

std::string S2(std::uint32_t address) { return S2(address, std::vector<std::uint8_t>(16, 0x5A)); }

const std::string kHeader = "S00F000068656C6C6F202020202000003C";
const std::string kS1 = "S1137AF00A0A0D0000000000000000000000000061";
const std::string kS8 = "S804000000FB";
const std::string kS9 = "S9030000FC";

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::uint8_t> BankBytes() {
  std::vector<std::uint8_t> bytes(16384);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + i / 256);
  return bytes;
}

// The 512 records the bank file must become.
std::vector<std::string> BankRecords(const std::vector<std::uint8_t>& bank) {
  std::vector<std::string> records;
  for (std::size_t k = 0; k < 512; ++k) {
    std::vector<std::uint8_t> chunk(32, 0);
    for (std::size_t j = 0; j < 32 && 32 * k + j < bank.size(); ++j) chunk[j] = bank[32 * k + j];
    records.push_back(S2(kWindow + static_cast<std::uint32_t>(32 * k), chunk));
  }
  return records;
}

class Composer : public ::testing::Test {
 protected:
  Composer() {
    std::filesystem::create_directory(folder / "bin");
    bank = BankBytes();
    WriteFileBytes(folder / "bin/bank1.bin", std::string(bank.begin(), bank.end()));
  }

  ComposeOutcome Compose(const std::string& master) {
    WriteFileBytes(folder / "ravelin.sx", master);
    return ComposeFirmware(1, folder / "ravelin.sx", folder / "bin/", "New_ravelin.sx",
                           folder.str(), progress);
  }

  std::string Output() const { return ReadFileBytes(folder / "New_ravelin.sx"); }
  bool OutputExists() const { return std::filesystem::exists(folder / "New_ravelin.sx"); }
  bool RecordsFileExists() const { return std::filesystem::exists(folder / "bin/Bin.sx"); }

  // Nothing but the documents and bank file: no records file, no temporary.
  std::vector<std::string> FolderContents() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
      names.push_back(std::filesystem::relative(entry.path(), folder.path()).generic_string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder;
  std::vector<std::uint8_t> bank;
  test::RecordingProgress progress;
};

// --- the merge ------------------------------------------------------------------

TEST_F(Composer, WindowRecordsGiveWayToTheBankRecordsAtTheFirstOfThem) {
  const std::vector<std::string> before = {kHeader, kS1, S2(0x100000), S2(kWindow - 16)};
  const std::vector<std::string> window = {S2(kWindow), S2(kWindow + 16), S2(0x38A000),
                                           S2(0x38BFFF, {0x01})};
  const std::vector<std::string> between = {S2(0x38C000), S2(0x200000)};
  std::vector<std::string> master = before;
  master.push_back(window[0]);
  master.push_back(window[1]);
  master.insert(master.end(), between.begin(), between.end());
  master.push_back(window[2]);
  master.push_back(window[3]);
  master.push_back(kS9);

  const ComposeOutcome outcome = Compose(CrLf(master));

  std::vector<std::string> expected = before;
  const auto records = BankRecords(bank);
  expected.insert(expected.end(), records.begin(), records.end());
  expected.insert(expected.end(), between.begin(), between.end());
  expected.push_back(kS9);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_TRUE(outcome.ranToEnd);
  EXPECT_EQ(Output(), CrLf(expected));
  EXPECT_EQ(records.front().substr(0, 10), "S224388000");
  EXPECT_EQ(records.back().substr(0, 10), "S22438BFE0");
  EXPECT_TRUE(outcome.message.empty());
  EXPECT_EQ(progress.maxima, std::vector<std::int64_t>{512 + 11});
  EXPECT_EQ(progress.Position(), 512 + 11);
  EXPECT_EQ(FolderContents(), (std::vector<std::string>{"New_ravelin.sx", "bin", "bin/bank1.bin",
                                                        "ravelin.sx"}));
}

TEST_F(Composer, ProgressStepsOncePerLineAndRecord) {
  const std::vector<std::string> master = {kHeader, S2(kWindow), kS9};
  Compose(CrLf(master));
  // 0 at the start, one step per master line and per bank record, full at the end.
  EXPECT_EQ(progress.updates, 1 + 3 + 512 + 1);
  EXPECT_EQ(progress.Position(), progress.Maximum());
}

TEST_F(Composer, MasterWithoutWindowDataIsCopiedLineByLine) {
  struct Case {
    const char* name;
    std::string master;
    std::string output;
    int result;
  };
  const std::string a = S2(0x100000), b = S2(0x38C000);
  const Case cases[] = {
      {"S9 end", CrLf({kHeader, a, b, kS9}), CrLf({kHeader, a, b, kS9}), 0},
      {"no end record", CrLf({kHeader, a, b}), CrLf({kHeader, a, b}), -1},
      {"S8 end", CrLf({kHeader, a, kS8}), CrLf({kHeader, a, kS8}), -1},
      {"LF only", kHeader + "\n" + a + "\n" + kS9 + "\n", CrLf({kHeader, a, kS9}), 0},
      {"no last line end", kHeader + "\r\n" + a + "\n" + kS9, CrLf({kHeader, a, kS9}), 0},
      {"lower case", CrLf({"s2" + S2(kWindow).substr(2), "s9030000FC"}),
       CrLf({"s2" + S2(kWindow).substr(2), "s9030000FC"}), -1},
      {"S3 and S5 and text", CrLf({"S3070010000000E8", "S5030002FA", "hello world"}),
       CrLf({"S3070010000000E8", "S5030002FA", "hello world"}), -1},
      {"lone CR inside a line", CrLf({"abc\rdef", kS9}), CrLf({"abc\rdef", kS9}), 0},
      {"S1 with any address", CrLf({"S1zz", kS9}), CrLf({"S1zz", kS9}), 0},
  };
  for (const Case& c : cases) {
    const ComposeOutcome outcome = Compose(c.master);
    EXPECT_EQ(outcome.result, c.result) << c.name;
    EXPECT_TRUE(outcome.ranToEnd) << c.name;
    EXPECT_EQ(Output(), c.output) << c.name;
    EXPECT_TRUE(outcome.message.empty()) << c.name;
    EXPECT_FALSE(RecordsFileExists()) << c.name;
  }
}

TEST_F(Composer, TheLastEndRecordDecides) {
  const ComposeOutcome outcome = Compose(CrLf({kS9, S2(kWindow), kS9}));
  EXPECT_EQ(outcome.result, 1);
  const ComposeOutcome beforeOnly = Compose(CrLf({S2(kWindow), kS9, kS9}));
  EXPECT_EQ(beforeOnly.result, 1);
  const ComposeOutcome zero = Compose(CrLf({kS9, S2(0), kS9}));
  EXPECT_EQ(zero.result, 0);
}

TEST_F(Composer, EndRecordBeforeTheWindowGivesZeroButTheRecordsStillGoIn) {
  const ComposeOutcome outcome = Compose(CrLf({kS9, S2(kWindow)}));
  EXPECT_EQ(outcome.result, 0);
  EXPECT_TRUE(outcome.ranToEnd);
  std::vector<std::string> expected = {kS9};
  const auto records = BankRecords(bank);
  expected.insert(expected.end(), records.begin(), records.end());
  EXPECT_EQ(Output(), CrLf(expected));
}

TEST_F(Composer, ShortBankFileGivesZeroBytesPastItsEnd) {
  bank.resize(100);
  WriteFileBytes(folder / "bin/bank1.bin", std::string(bank.begin(), bank.end()));
  Compose(CrLf({S2(kWindow), kS9}));
  const auto records = BankRecords(bank);
  std::vector<std::string> expected(records.begin(), records.end());
  expected.push_back(kS9);
  EXPECT_EQ(Output(), CrLf(expected));
}

TEST_F(Composer, LinesLongerThanTheReadBufferAreCopiedWhole) {
  const std::string longLine(200000, 'Z');
  const std::string longWithCr = std::string(65535, 'Y') + "\r";  // CR at a buffer boundary
  const ComposeOutcome outcome = Compose(longLine + "\n" + longWithCr + "\n" + kS9 + "\n");
  EXPECT_TRUE(outcome.ranToEnd);
  EXPECT_EQ(Output(), longLine + "\r\n" + std::string(65535, 'Y') + "\r\n" + kS9 + "\r\n");
}

// --- stops with a message ------------------------------------------------------------

TEST_F(Composer, MergeFailureLeavesNoFileUnderTheOutputName) {
  struct Case {
    const char* name;
    std::string master;
    int result;
  };
  const Case cases[] = {
      {"empty line", CrLf({kHeader, "", S2(kWindow), kS9}), -1},
      {"empty line before the last", CrLf({kHeader, kS9, "", "", kS9}), 0},
      {"CR only line before the last", kHeader + "\r\n\r\n" + kS9, -1},
      {"S2 address not hex", CrLf({kHeader, "S2243880G0" + std::string(66, '0')}), -1},
      {"S2 too short", CrLf({"S224388"}), -1},
  };
  for (const Case& c : cases) {
    WriteFileBytes(folder / "New_ravelin.sx", "previous firmware");
    const ComposeOutcome outcome = Compose(c.master);
    EXPECT_EQ(outcome.result, c.result) << c.name;
    EXPECT_FALSE(outcome.ranToEnd) << c.name;
    EXPECT_EQ(outcome.message, "File New Sx Not Create,Abort Procedure") << c.name;
    EXPECT_EQ(Output(), "previous firmware") << c.name;
    EXPECT_EQ(progress.Position(), progress.Maximum()) << c.name;
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"New_ravelin.sx", "bin",
                                                          "bin/bank1.bin", "ravelin.sx"}))
        << c.name;
  }
}

TEST_F(Composer, ChecksStopBeforeAnythingIsWritten) {
  struct Case {
    const char* name;
    std::string master, binDir, outputName, bankToRemove;
    int bank;
    std::string message;
  };
  const std::string master = folder / "ravelin.sx";
  const std::string bin = folder / "bin/";
  const Case cases[] = {
      {"master missing", folder / "missing.sx", bin, "New_ravelin.sx", "", 1,
       "File *.Sx Not Found,Abort Procedure"},
      {"master missing before empty name", folder / "missing.sx", bin, "", "", 1,
       "File *.Sx Not Found,Abort Procedure"},
      {"output name empty", master, bin, "", "", 1, "File New *.Sx Not Found,Abort Procedure"},
      {"bin folder missing", master, folder / "nobin/", "New_ravelin.sx", "", 1,
       "Directory Bin Not Found,Abort Procedure"},
      {"bank 1 file missing", master, bin, "New_ravelin.sx", "bank1.bin", 1,
       "File bank1.bin Not Found,Abort Procedure"},
      {"bank 3 file missing", master, bin, "New_ravelin.sx", "", 3,
       "File bank3.bin Not Found,Abort Procedure"},
  };
  WriteFileBytes(master, CrLf({S2(kWindow), kS9}));
  for (const Case& c : cases) {
    progress.SetPosition(77);
    if (!c.bankToRemove.empty()) std::filesystem::remove(folder / ("bin/" + c.bankToRemove));
    const ComposeOutcome outcome =
        ComposeFirmware(c.bank, c.master, c.binDir, c.outputName, folder.str(), progress);
    EXPECT_EQ(outcome.result, -1) << c.name;
    EXPECT_FALSE(outcome.ranToEnd) << c.name;
    EXPECT_EQ(outcome.message, c.message) << c.name;
    EXPECT_EQ(progress.Position(), 0) << c.name;
    EXPECT_FALSE(OutputExists()) << c.name;
    EXPECT_FALSE(RecordsFileExists()) << c.name;
  }
}

TEST_F(Composer, OutputThatCannotBeCreatedThrowsAndKeepsTheOldFile) {
  WriteFileBytes(folder / "New_ravelin.sx", "previous firmware");
  test::MakeReadOnly(folder / "New_ravelin.sx");
  try {
    Compose(CrLf({S2(kWindow), kS9}));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + (folder / "New_ravelin.sx") +
                                         "\". Permission denied");
  }
  EXPECT_EQ(Output(), "previous firmware");
  EXPECT_FALSE(RecordsFileExists());
}

TEST_F(Composer, BankRecordsFileThatCannotBeCreatedThrows) {
  std::filesystem::create_directory(folder / "bin/Bin.sx");
  try {
    Compose(CrLf({S2(kWindow), kS9}));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + (folder / "bin/Bin.sx") + "\". Is a directory");
  }
  EXPECT_FALSE(OutputExists());
  EXPECT_TRUE(std::filesystem::is_directory(folder / "bin/Bin.sx"));  // not ours to remove
}

TEST_F(Composer, OutputMayReplaceTheMasterItself) {
  WriteFileBytes(folder / "New_ravelin.sx", CrLf({S2(kWindow), kS9}));
  const ComposeOutcome outcome =
      ComposeFirmware(1, folder / "New_ravelin.sx", folder / "bin", "New_ravelin.sx",
                      folder / "", progress);
  EXPECT_TRUE(outcome.ranToEnd);
  std::vector<std::string> expected = BankRecords(bank);
  expected.push_back(kS9);
  EXPECT_EQ(Output(), CrLf(expected));
}

// --- merges of real masters ---------------------------------------------------------------

TEST_F(Composer, EmptyLinesAfterTheLastRecordPassAndACrEndsTheLastLine) {
  const std::vector<std::string> lines = {kHeader, S2(kWindow), kS9};
  const std::string body = CrLf(lines);
  const struct {
    const char* name;
    std::string master;
  } cases[] = {
      {"a blank line at the end", body + "\r\n"},
      {"blank lines of either end mark", body + "\r\n\n\r\n"},
      {"a stray CR after the last line", body + "\r"},
      {"a CR right before the end", kHeader + "\r\n" + S2(kWindow) + "\r\n" + kS9 + "\r"},
  };
  std::vector<std::string> expected = {kHeader};
  for (const std::string& record : BankRecords(bank)) expected.push_back(record);
  expected.push_back(kS9);
  for (const auto& c : cases) {
    const ComposeOutcome outcome = Compose(c.master);
    EXPECT_TRUE(outcome.ranToEnd) << c.name;
    EXPECT_EQ(outcome.result, 1) << c.name;
    EXPECT_EQ(Output(), CrLf(expected)) << c.name;
    EXPECT_TRUE(outcome.message.empty()) << c.name;
  }
}

// The gateway may get one value per address only, and every master byte
// outside the window must reach it.
TEST_F(Composer, RecordsReachingIntoTheWindowMustCarryTheBanksBytes) {
  const auto bankPart = [this](std::uint32_t from, std::size_t count) {
    return std::vector<std::uint8_t>(bank.begin() + (from - kWindow),
                                     bank.begin() + (from - kWindow) + count);
  };
  std::vector<std::uint8_t> straddling(16, 0x77);  // 8 bytes below the window, 8 in it
  const std::vector<std::uint8_t> inside = bankPart(kWindow, 8);
  std::copy(inside.begin(), inside.end(), straddling.begin() + 8);
  std::vector<std::uint8_t> pastEnd = bankPart(0x38BFF8, 8);  // the window's last 8, then 8 beyond
  pastEnd.resize(16, 0x66);
  std::vector<std::uint8_t> changed = bankPart(0x38A000, 4);
  changed[2] ^= 0xFF;

  const std::string fail = "File New Sx Not Create,Abort Procedure\n";
  const struct {
    const char* name;
    std::string record;
    std::string message;  // empty: copied unchanged
  } cases[] = {
      {"S2 below reaching in with the bank's bytes", S2(kWindow - 8, straddling), ""},
      {"S3 in the window with the bank's bytes", Record('3', 0x38A000, bankPart(0x38A000, 4)), ""},
      {"S3 reaching past the window's end with the bank's bytes", Record('3', 0x38BFF8, pastEnd), ""},
      {"S2 below reaching in with other bytes", S2(kWindow - 8),
       fail + "Line 2, record at 0x387FF8: it puts 0x5A at 0x388000, where bank1.bin has 0x00"},
      {"S3 in the window with other bytes", Record('3', 0x38A000, changed),
       fail + "Line 2, record at 0x0038A000: it puts " + Hex(changed[2], 2).insert(0, "0x") +
           " at 0x38A002, where bank1.bin has " + Hex(bank[0x2002], 2).insert(0, "0x")},
      {"S2 window record reaching past the window's end", S2(0x38BFF8, pastEnd),
       fail + "Line 2, record at 0x38BFF8: it reaches past the end of the configuration area "
              "(0x38BFFF)"},
  };
  for (const auto& c : cases) {
    WriteFileBytes(folder / "New_ravelin.sx", "previous firmware");
    const ComposeOutcome outcome = Compose(CrLf({kHeader, c.record, S2(kWindow + 0x100), kS9}));
    if (c.message.empty()) {
      std::vector<std::string> expected = {kHeader, c.record};
      for (const std::string& record : BankRecords(bank)) expected.push_back(record);
      expected.push_back(kS9);
      EXPECT_TRUE(outcome.ranToEnd) << c.name;
      EXPECT_TRUE(outcome.message.empty()) << c.name;
      EXPECT_EQ(Output(), CrLf(expected)) << c.name;
    } else {
      EXPECT_FALSE(outcome.ranToEnd) << c.name;
      EXPECT_EQ(outcome.message, c.message) << c.name;
      EXPECT_EQ(Output(), "previous firmware") << c.name;
    }
  }
}

TEST_F(Composer, SaysWhetherTheBankWasPlaced) {
  EXPECT_TRUE(Compose(CrLf({kHeader, S2(kWindow), kS9})).bankPlaced);
  const ComposeOutcome none = Compose(CrLf({kHeader, S2(0x100000), kS9}));
  EXPECT_TRUE(none.ranToEnd);
  EXPECT_FALSE(none.bankPlaced);
  EXPECT_EQ(NoConfigurationAreaText(1),
            "The master firmware file has no configuration area (0x388000 to 0x38BFFF): nothing "
            "was started.");
}

// --- the files it reads and the scratch file it makes ------------------------------------

#ifndef _WIN32  // FIFOs and devices are POSIX's

TEST_F(Composer, BankRecordsFileIsMadeNewWhateverHadItsName) {
  const std::string records = folder / "bin/Bin.sx";
  const std::string victim = folder / "victim.txt";
  const struct {
    const char* name;
    void (*make)(const std::string& records, const std::string& victim);
  } cases[] = {
      {"a link to a user's file",
       [](const std::string& r, const std::string& v) { std::filesystem::create_symlink(v, r); }},
      {"a link to nothing",
       [](const std::string& r, const std::string& v) {
         std::filesystem::create_symlink(v + ".new", r);
       }},
      {"a file a killed run left",
       [](const std::string& r, const std::string&) { WriteFileBytes(r, "stale records"); }},
      {"a FIFO", [](const std::string& r, const std::string&) { mkfifo(r.c_str(), 0600); }},
  };
  for (const auto& c : cases) {
    WriteFileBytes(victim, "the user's own text");
    c.make(records, victim);
    const ComposeOutcome outcome = Compose(CrLf({S2(kWindow), kS9}));
    EXPECT_TRUE(outcome.ranToEnd) << c.name;
    EXPECT_EQ(ReadFileBytes(victim), "the user's own text") << c.name;
    EXPECT_FALSE(std::filesystem::exists(victim + ".new")) << c.name;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(records))) << c.name;
  }
}

#endif

// --- an independent reader ---------------------------------------------------------------

bool HaveSrecCat() { return std::system("srec_cat -version >/dev/null 2>&1") == 0; }

int RunCommand(const std::string& command) { return std::system((command + " 2>&1").c_str()); }

TEST_F(Composer, SrecCatReadsTheOutputAndFindsTheBankInTheWindow) {
  if (!HaveSrecCat()) GTEST_SKIP() << "srec_cat (Debian package srecord) is not installed";
  std::vector<std::string> master = {kHeader};
  for (std::uint32_t a = 0x380000; a < 0x390000; a += 16) {
    std::vector<std::uint8_t> data(16);
    for (std::size_t j = 0; j < 16; ++j) data[j] = static_cast<std::uint8_t>(a + j * 3);
    master.push_back(S2(a, data));
  }
  master.push_back(kS8);
  const ComposeOutcome outcome = Compose(CrLf(master));
  ASSERT_TRUE(outcome.ranToEnd);
  EXPECT_EQ(outcome.result, -1);

  const std::string out = folder / "New_ravelin.sx";
  const std::string window = folder / "window.bin";
  ASSERT_EQ(RunCommand("srec_cat '" + out + "' -crop 0x388000 0x38C000 -offset -0x388000 -o '" +
                window + "' -binary"),
            0);
  EXPECT_EQ(ReadFileBytes(window), ReadFileBytes(folder / "bin/bank1.bin"));

  // Outside the window the output holds the master's data unchanged.
  const std::string outside = folder / "outside.sx", masterOutside = folder / "master.sx";
  ASSERT_EQ(RunCommand("srec_cat '" + out + "' -exclude 0x388000 0x38C000 -o '" + outside + "'"), 0);
  ASSERT_EQ(RunCommand("srec_cat '" + (folder / "ravelin.sx") + "' -exclude 0x388000 0x38C000 -o '" +
                masterOutside + "'"),
            0);
  EXPECT_EQ(ReadFileBytes(outside), ReadFileBytes(masterOutside));
}

}  // namespace
}  // namespace fabrion
