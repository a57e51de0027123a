// fabrion-cli diff: exit status and lines for projects and files.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/temp_folder.h"
#include "fakes/translate_rows.h"

namespace fabrion {
namespace {

using test::Cli;

class DiffVerb : public ::testing::Test {
 protected:
  void Project(const std::string& name, const std::string& ip4, std::vector<TMyRec> rows) {
    std::filesystem::create_directories(folder / (name + "/bin"));
    GeneralParameters general;
    general.ip = {"192", "168", "1", ip4};
    WriteGeneralParameters(folder / (name + "/pargen.xml"), general);
    WriteTable(folder / (name + "/var.xml"), rows);
  }
  test::TempFolder folder;
};

TEST_F(DiffVerb, NamesWhatChangedAndExitsByTheConfigurationOnly) {
  const TMyRec pump = test::Record(3, 100, {192, 168, 1, 20}, 0, 10, "Pump");
  TMyRec renamed = pump;
  renamed.Mnemonic = "Pump 1";
  Project("a", "10", {pump});
  Project("b", "11", {pump, test::Record(1, 7, {10, 0, 0, 7}, 1, 1, "")});
  Project("c", "10", {renamed});
  ASSERT_EQ(Cli({"image", folder / "a"}).code, 0);

  const struct {
    std::string a, b;
    int code;
    std::string out;
  } cases[] = {
      {folder / "a", folder / "a/bin/bank1.bin", 0, ""},
      {folder / "a/", folder / "b", 1,
       "IP address 192.168.1.10 \xE2\x86\x92 192.168.1.11\n"
       "Row 2 added: Coil Status, RTU address 7, device 10.0.0.7, TCP address 1, 1 point\n"},
      {folder / "a", folder / "c", 0, "Row 1: mnemonic \"Pump\" \xE2\x86\x92 \"Pump 1\"\n"},
      {folder / "a/bin/bank1.bin", folder / "c", 0, ""},
  };
  for (const auto& c : cases) {
    const test::CliRun run = Cli({"diff", c.a, c.b});
    EXPECT_EQ(run.code, c.code) << c.a << " " << c.b;
    EXPECT_EQ(run.out, c.out) << c.a << " " << c.b;
    EXPECT_EQ(run.err, "");
  }
}

// Texts from files reach the terminal with their control characters escaped.
TEST_F(DiffVerb, EscapesControlCharactersOfMnemonicsAndMessages) {
  const TMyRec pump = test::Record(3, 100, {192, 168, 1, 20}, 0, 10, "Pump");
  Project("a", "10", {pump});
  Project("b", "10", {pump});
  // The program writes no such var.xml: the ESC and BEL come from elsewhere.
  std::string var = test::ReadFileBytes(folder / "b/var.xml");
  var.replace(var.find("Pump"), 4, "\x1B]0;owned\x07&quot;q");
  test::WriteFileBytes(folder / "b/var.xml", var);
  const test::CliRun mnemonics = Cli({"diff", folder / "a", folder / "b"});
  EXPECT_EQ(mnemonics.out, "Row 1: mnemonic \"Pump\" \xE2\x86\x92 \"\\x1B]0;owned\\x07\\x22q\"\n");
  const test::CliRun missing = Cli({"diff", folder / "\x1B[2J.sx", folder / "a"});
  EXPECT_EQ(missing.code, 3);
  EXPECT_NE(missing.err.find("\\x1B[2J.sx"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.err.find('\x1B'), std::string::npos);
}

// A time-out the image's 16 bits cut: the project and its own bank file
// differ, and image and table check say what the device gets.
TEST_F(DiffVerb, NamesAValueTheDeviceGetsCut) {
  Project("a", "10", {});
  GeneralParameters general;
  general.timeOut = "70000";
  WriteGeneralParameters(folder / "a/pargen.xml", general);
  const std::string warning =
      "Timeout (ms) 70000 does not fit the device's 16-bit field: the device gets 4464";
  EXPECT_EQ(Cli({"image", folder / "a"}).err, "Warning: " + warning + ".\n");
  EXPECT_EQ(Cli({"diff", folder / "a", folder / "a/bin/bank1.bin"}).out,
            "RTU time-out 70000 ms \xE2\x86\x92 4464 ms\n");
  EXPECT_EQ(Cli({"table", "check", folder / "a"}).out, warning + "\n");
}

TEST_F(DiffVerb, ExitsWithThreeWhenAnInputCannotBeRead) {
  Project("a", "10", {});
  std::filesystem::create_directories(folder / "empty");
  const test::CliRun missing = Cli({"diff", folder / "a", folder / "none.bin"});
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(missing.err, "Cannot open file \"" + (folder / "none.bin") + "\". No such file or directory.\n");
  const test::CliRun empty = Cli({"diff", folder / "empty", folder / "a"});
  EXPECT_EQ(empty.code, 3);
  EXPECT_EQ(empty.err, "The configuration image is incomplete: Cannot open file \"" +
                           (folder / "empty/var.xml") + "\". No such file or directory.\n");
  EXPECT_EQ(empty.out, "");
}

TEST(ConfigurationVerbs, WrongCommandLinesExitWithTwoAndHelpNamesTheExitCodes) {
  const std::vector<std::vector<std::string>> wrong = {
      {"recover"}, {"recover", "a"}, {"recover", "a", "b", "c"}, {"recover", "a", "b", "--force"},
      {"recover", "a", ""}, {"recover", "", "b"},
      {"diff", "a"}, {"diff", "a", "b", "c"}, {"diff", "--brief", "a", "b"}, {"diff", "a", ""},
      {"report"}, {"report", "a", "b"}, {"report", "a", "--out"}, {"report", "a", "--out", "x", "--out", "y"},
      {"report", "a", "--pdf"},
  };
  for (const auto& args : wrong) {
    const test::CliRun run = Cli(args);
    EXPECT_EQ(run.code, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("\nUsage: fabrion-cli " + args[0]), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("fabrion-cli image"), std::string::npos) << run.err;
  }
  for (const char* verb : {"recover", "diff", "report"}) {
    const test::CliRun run = Cli({verb, "--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.out.starts_with(std::string("Usage: fabrion-cli ") + verb)) << run.out;
    EXPECT_NE(run.out.find("Exit status: 0 "), std::string::npos) << verb;
  }
}

}  // namespace
}  // namespace fabrion
