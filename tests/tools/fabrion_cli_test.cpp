#include "tools/fabrion_cli/fabrion_cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "cli_run.h"
#include "fakes/temp_folder.h"
#include "firmware/bank_source.h"
#include "firmware/config_image.h"

namespace fabrion {
namespace {

using test::Cli;
using test::CliRun;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

const std::string kTable =
    "<TCP_MASTER_TO_RTU_SLAVE><row DATA_TYPE=\"3\" RTU_ADDRESS=\"502\" TCP_ADD_DEV_1=\"192\" "
    "TCP_ADD_DEV_2=\"168\" TCP_ADD_DEV_3=\"1\" TCP_ADD_DEV_4=\"125\" TCP_ADDRESS=\"1\" "
    "N_POINT=\"8\" MNEMONIC=\"m\"/></TCP_MASTER_TO_RTU_SLAVE>";

std::string Pargen(const std::string& mode) {
  std::string xml = "<General_Parameter>";
  for (const char* name : {"TCP_IP1", "TCP_IP2", "TCP_IP3", "TCP_IP4", "TCP_SUB1", "TCP_SUB2",
                           "TCP_SUB3", "TCP_SUB4", "TCP_GAT1", "TCP_GAT2", "TCP_GAT3",
                           "TCP_GAT4", "TCP_PORT"})
    xml += std::string("<") + name + ">1</" + name + ">";
  xml += "<SNMP_PUBLIC>pub</SNMP_PUBLIC><SNMP_PRIVATE>priv</SNMP_PRIVATE><BAUD>3</BAUD>"
         "<PARITY>0</PARITY><TIME_OUT>1000</TIME_OUT><OFFSET>0</OFFSET><MODE>" +
         mode + "</MODE><ADDRESS_RTU>9</ADDRESS_RTU></General_Parameter>";
  return xml;
}

class FabrionCli : public ::testing::Test {
 protected:
  FabrionCli() {
    std::filesystem::create_directories(folder / "p/bin");
    WriteFileBytes(folder / "p/var.xml", kTable);
    WriteFileBytes(folder / "p/pargen.xml", Pargen("1"));
  }
  TempFolder folder;
};

TEST_F(FabrionCli, ImageWritesBothFilesWithTheGivenTime) {
  const CliRun run = Cli({"image", folder / "p", "--time", "2009-12-31T13:45:59"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  const std::string bank = ReadFileBytes(folder / "p/bin/bank1.bin");
  ASSERT_EQ(bank.size(), 16384u);
  EXPECT_EQ(bank.substr(15049, 5), "\xAD\xED\x09\xFE\x09");
  EXPECT_EQ(bank.substr(0, 3), "\x03\xF6\x01");
  ConfigImage image{};
  std::copy(bank.begin(), bank.end(), image.begin());
  EXPECT_EQ(ReadFileBytes(folder / "p/bin/bankg.c"), BankSourceText(image));
}

TEST_F(FabrionCli, IncompleteImageIsWrittenAndItsReasonGiven) {
  WriteFileBytes(folder / "p/pargen.xml", Pargen("NAT"));
  const CliRun run = Cli({"image", folder / "p/", "--time", "2000-01-01T00:00:00"});
  EXPECT_EQ(run.code, 3);
  EXPECT_EQ(run.err,
            "The configuration image is incomplete: pargen.xml: element MODE \"NAT\" is no "
            "integer.\n");
  EXPECT_EQ(ReadFileBytes(folder / "p/bin/bank1.bin").substr(15042, 12),
            std::string("\x03\x00\xE8\x03\x00\x00", 6) + std::string(6, '\0'));
  EXPECT_TRUE(std::filesystem::exists(folder / "p/bin/bankg.c"));
}

TEST_F(FabrionCli, ImageWithoutBinFolderFailsWithTheSystemText) {
  std::filesystem::remove_all(folder / "p/bin");
  const CliRun run = Cli({"image", folder / "p"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err, "Cannot create file \"" + (folder / "p/bin/bank1.bin") +
                         "\". No such file or directory.\n");
}

// "--" ends the options in every verb: a project folder named "--out" (or
// "--help") is an operand after it.
TEST_F(FabrionCli, EveryVerbTakesDoubleDashAsTheEndOfOptions) {
  std::filesystem::rename(folder / "p", folder / "--out");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const struct {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"image", "--", "--out"}, 0},
      {{"table", "check", "--", "--out"}, 0},
      {{"report", "--", "--out"}, 0},
      {{"diff", "--", "--out", "--out/bin/bank1.bin"}, 0},
      {{"recover", "--", "--out/bin/bank1.bin", "--help"}, 0},
      {{"diff", "--", "--out", "--help"}, 0},
      {{"compose", "--", "--master.sx", "--out/bin", "--fw.sx"}, 3},
      {{"check", "--", "--missing"}, 3},
      {{"image", "--", "--out", "--"}, 2},  // a second "--" is an operand
  };
  for (const auto& c : cases) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.code, c.code) << ::testing::PrintToString(c.args) << run.err;
  }
  std::filesystem::current_path(before);
}

#ifdef __linux__
// Each verb in a child whose address space ends 24 MiB above what it uses
// now: a 30 MB document or CSV does not fit, and the verb says so instead of
// aborting. The child's exit code is the verb's; its stderr goes to a file.
TEST_F(FabrionCli, SaysWhenAFileDoesNotFitInMemory) {
  const std::string row =
      "<row DATA_TYPE=\"3\" RTU_ADDRESS=\"502\" TCP_ADD_DEV_1=\"192\" TCP_ADD_DEV_2=\"168\" "
      "TCP_ADD_DEV_3=\"1\" TCP_ADD_DEV_4=\"125\" TCP_ADDRESS=\"1\" N_POINT=\"8\" MNEMONIC=\"m\"/>\n";
  std::string var = "<TCP_MASTER_TO_RTU_SLAVE>\n";
  while (var.size() < 30'000'000) var += row;
  WriteFileBytes(folder / "p/var.xml", var + "</TCP_MASTER_TO_RTU_SLAVE>\n");
  WriteFileBytes(folder / "big.csv", std::string(30'000'000 / 8 * 8, ';'));
  const std::vector<std::vector<std::string>> cases = {
      {"image", folder / "p"},          {"table", "check", folder / "p"},
      {"table", "export", folder / "p"}, {"report", folder / "p"},
      {"diff", folder / "p", folder / "p"}, {"check", folder / "p"},
      {"table", "import", folder / "p", folder / "big.csv"},
  };
  for (const auto& args : cases) {
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      long pages = 0;
      if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
      }
      const rlim_t limit = rlim_t(pages) * sysconf(_SC_PAGESIZE) + (24u << 20);
      const rlimit bound{limit, limit};
      setrlimit(RLIMIT_AS, &bound);
      const CliRun run = Cli(args);
      WriteFileBytes(folder / "err.txt", run.err);
      _exit(run.code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << ::testing::PrintToString(args);
    EXPECT_EQ(WEXITSTATUS(status), 3) << ::testing::PrintToString(args);
    EXPECT_NE(ReadFileBytes(folder / "err.txt").find("Not enough memory to read \""), std::string::npos)
        << ReadFileBytes(folder / "err.txt");
  }
  EXPECT_EQ(ReadFileBytes(folder / "p/var.xml").size(), var.size() + 27);
}
#endif

TEST(FabrionCliUsage, WrongCommandLinesExitWithTwoAndTheVerbsUsage) {
  const std::string image = "fabrion-cli image PROJECT_DIR";
  const std::string compose = "fabrion-cli compose MASTER";
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frob"},
      {"image"},
      {"image", "a", "b"},
      {"image", "a", "--time"},
      {"image", "a", "--time=2009-12-31 13:45:59"},
      {"image", "a", "--time", "2009-13-01T00:00:00"},
      {"image", "a", "--time", "2009-02-29T00:00:00"},
      {"image", "a", "--time", "2009-01-01T24:00:00"},
      {"image", "a", "--time", "2009-01-01T00:00:00", "--time=2009-01-01T00:00:00"},
      {"image", "a", "--verbose"},
      {"compose", "a", "b"},
      {"compose", "a", "b", "c", "d"},
  };
  for (const auto& args : cases) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.code, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(run.out, "") << ::testing::PrintToString(args);
    EXPECT_TRUE(run.err.starts_with("fabrion-cli: ")) << run.err;
    // A verb's mistake shows that verb's usage alone; no verb, every verb's.
    const bool isCompose = !args.empty() && args[0] == "compose";
    const bool isImage = !args.empty() && args[0] == "image";
    EXPECT_EQ(run.err.find(image) != std::string::npos, !isCompose) << run.err;
    EXPECT_EQ(run.err.find(compose) != std::string::npos, !isImage) << run.err;
  }
}

TEST(FabrionCliUsage, HelpGoesToStdout) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--help"}, "fabrion-cli: builds"},
      {{"image", "--help"}, "Usage: fabrion-cli image PROJECT_DIR [--time YYYY-MM-DDTHH:MM:SS]\n"},
      {{"compose", "x", "--help"}, "Usage: fabrion-cli compose MASTER BIN_DIR OUTPUT_FILE\n"},
  };
  for (const auto& [args, start] : cases) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.out.starts_with(start)) << run.out;
    EXPECT_EQ(run.err, "");
  }
  EXPECT_EQ(Cli({"2000-02-29T00:00:00"}).code, 2);
  EXPECT_EQ(Cli({"image", "--time", "2000-02-29T23:59:59", "--help"}).code, 0);
}

TEST(FabrionCliUsage, EveryHelpNamesTheExitStatus) {
  for (const char* command : {"--help", "image", "compose", "table", "check", "recover", "diff", "report"}) {
    const CliRun run = command[0] == '-' ? Cli({command}) : Cli({command, "--help"});
    EXPECT_NE(run.out.find("\nExit status: "), std::string::npos) << command << "\n" << run.out;
    EXPECT_NE(run.out.find("2 usage"), std::string::npos) << command << "\n" << run.out;
  }
}

TEST_F(FabrionCli, ComposePrintsTheResultAndTheMessages) {
  ASSERT_EQ(Cli({"image", folder / "p"}).code, 0);
  const std::string master = folder / "ravelin.sx";
  WriteFileBytes(master, "S00600004844521B\r\nS2143880000102030405060708090A0B0C0D0E0F10D9\r\n"
                         "S9030000FC\r\n");
  CliRun run = Cli({"compose", master, folder / "p/bin", folder / "p/New_ravelin.sx"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "1\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFileBytes(folder / "p/New_ravelin.sx").size(), 18 + 512 * 78 + 12u);

  run = Cli({"compose", folder / "none.sx", folder / "p/bin", folder / "p/New_ravelin.sx"});
  EXPECT_EQ(run.code, 3);
  EXPECT_EQ(run.out, "-1\n");
  EXPECT_EQ(run.err, "File *.Sx Not Found,Abort Procedure\n");

  run = Cli({"compose", master, folder / "p/bin", folder / "p/"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err, "File New *.Sx Not Found,Abort Procedure\n");

  WriteFileBytes(master, "S9030000FC\r\n\r\nS9030000FC\r\n");
  run = Cli({"compose", master, folder / "p/bin", folder / "p/New_ravelin.sx"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "-1\n");  // stopped, though an end record came before the empty line
  EXPECT_EQ(run.err, "File New Sx Not Create,Abort Procedure\n");
  EXPECT_EQ(ReadFileBytes(folder / "p/New_ravelin.sx").size(), 18 + 512 * 78 + 12u);

#ifndef _WIN32
  // Unreadable inputs exit 3, as in every verb; an output not written, 1.
  std::filesystem::rename(folder / "p/bin/bank1.bin", folder / "p/bank1.bin");
  mkfifo((folder / "p/bin/bank1.bin").c_str(), 0600);
  run = Cli({"compose", master, folder / "p/bin", folder / "p/New_ravelin.sx"});
  EXPECT_EQ(run.code, 3);
  EXPECT_EQ(run.err, "Cannot open file \"" + (folder / "p/bin/bank1.bin") +
                         "\". It is a FIFO, not a regular file.\n");
  std::filesystem::remove(folder / "p/bin/bank1.bin");
  std::filesystem::rename(folder / "p/bank1.bin", folder / "p/bin/bank1.bin");
#endif

  WriteFileBytes(master, "S9030000FC\r\n");
  test::MakeReadOnly(folder / "p/New_ravelin.sx");
  run = Cli({"compose", master, folder / "p/bin", folder / "p/New_ravelin.sx"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "-1\n");
  EXPECT_EQ(run.err, "Cannot create file \"" + (folder / "p/New_ravelin.sx") +
                         "\". Permission denied.\n");
}

TEST_F(FabrionCli, ComposeWithoutConfigurationAreaWritesTheFileButExitsWithFour) {
  ASSERT_EQ(Cli({"image", folder / "p"}).code, 0);
  const std::string master = folder / "ravelin.sx";
  WriteFileBytes(master, "S00600004844521B\r\nS9030000FC\r\n");
  const CliRun run = Cli({"compose", master, folder / "p/bin", folder / "p/New_ravelin.sx"});
  EXPECT_EQ(run.code, 4);
  EXPECT_EQ(run.out, "0\n");
  EXPECT_EQ(run.err,
            "The master firmware file has no configuration area (0x388000 to 0x38BFFF): nothing "
            "was started.\n");
  EXPECT_EQ(ReadFileBytes(folder / "p/New_ravelin.sx"), "S00600004844521B\r\nS9030000FC\r\n");
}

TEST_F(FabrionCli, ComposeRefusesItsOwnScratchFileAsOutput) {
  ASSERT_EQ(Cli({"image", folder / "p"}).code, 0);
  const std::string master = folder / "ravelin.sx";
  WriteFileBytes(master, "S2143880000102030405060708090A0B0C0D0E0F10D9\r\nS9030000FC\r\n");
  for (const std::string& output :
       {folder / "p/bin/Bin.sx", folder / "p/bin/../bin/Bin.sx", folder / "p/./bin/Bin.sx"}) {
    const CliRun run = Cli({"compose", master, folder / "p/bin/", output});
    EXPECT_EQ(run.code, 2) << output;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
              "fabrion-cli: OUTPUT_FILE \"" + output +
                  "\" is BIN_DIR's scratch file Bin.sx, which the composition removes")
        << output;
    EXPECT_EQ(run.out, "") << output;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "p/bin/Bin.sx"));
  EXPECT_EQ(Cli({"compose", master, folder / "p/bin", folder / "p/Bin.sx"}).code, 0);
}

// The installed program itself: its exit codes reach the shell.
#ifndef _WIN32
TEST_F(FabrionCli, ProgramExitCodesReachTheShell) {
  auto exitCode = [](const std::string& arguments) {
    const int status = std::system(("'" FABRION_CLI_PATH "' " + arguments + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string project = "'" + (folder / "p") + "'";
  EXPECT_EQ(exitCode("image " + project + " --time 2026-12-09T08:00:00"), 0);
  WriteFileBytes(folder / "p/pargen.xml", Pargen("x"));
  EXPECT_EQ(exitCode("image " + project), 3);
  EXPECT_EQ(exitCode("image"), 2);
  EXPECT_EQ(exitCode("--help"), 0);
  EXPECT_EQ(exitCode("compose none.sx " + project + "/bin out.sx"), 3);
}
#endif

}  // namespace
}  // namespace fabrion
