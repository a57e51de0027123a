// fabrion-cli recover, end to end: project, image, compose, recover, image.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cli_run.h"
#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/temp_folder.h"
#include "fakes/translate_rows.h"
#include "firmware/firmware_files.h"

namespace fabrion {
namespace {

using test::Cli;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr const char* kTime = "2009-12-31T13:45:59";

struct ProjectKind {
  const char* name;
  std::string pargen;
  std::string var;
};

std::string PargenOf(const GeneralParameters& p) { return GeneralParametersXml(p); }

GeneralParameters Typed() {
  GeneralParameters p;
  p.ip = {" 10", "$0A", "0x1", "007"};
  p.subnet = {"255", "255", "252", "0"};
  p.gateway = {"10", "10", "1", "254"};
  p.tcpPort = 65535;
  p.snmpPublic = "ABCDEFGHIJKLM";
  p.snmpPrivate = "Z\xC3\xBCrich \xE2\x82\xAC";
  p.baudIndex = -1;
  p.parityIndex = 1;
  p.timeOut = "70000";
  p.offset = "$FFFF";
  p.natMode = false;
  p.addressRtu = 255;
  return p;
}

std::vector<TMyRec> FullTable() {
  std::vector<TMyRec> rows;
  for (int i = 0; i < 1400; ++i)
    rows.push_back(test::Record(static_cast<std::uint8_t>(1 + i % 4), static_cast<std::uint16_t>(i * 47),
                                {192, 168, static_cast<std::uint8_t>(i / 256), static_cast<std::uint8_t>(i)},
                                static_cast<std::uint16_t>(65535 - i), static_cast<std::uint8_t>(i % 127),
                                "row " + std::to_string(i)));
  return rows;
}

// Every kind of project the program or a hand edit gives, within what the
// image can carry back.
std::vector<ProjectKind> Kinds() {
  GeneralParameters even;
  even.parityIndex = 2;
  even.baudIndex = 7;
  return {
      {"new project", PargenOf({}), TranslateTableXml({})},
      {"typed forms and limits", PargenOf(Typed()),
       TranslateTableXml({test::Record(4, 65535, {255, 255, 255, 255}, 65535, 126, "max"),
                          test::Record(1, 0, {0, 0, 0, 0}, 0, 0, "")})},
      {"full table", PargenOf(even), TranslateTableXml(FullTable())},
      {"all-zero rows between and after", PargenOf({}),
       TranslateTableXml({test::Record(3, 1, {1, 1, 1, 1}, 1, 1, "a"), TMyRec{}, TMyRec{},
                          test::Record(2, 2, {2, 2, 2, 2}, 2, 2, "b"), TMyRec{}})},
      {"edited by hand",
       "<?xml version=\"1.0\"?>\r\n<General_Parameter>\r\n  <ADDRESS_RTU>300</ADDRESS_RTU>"
       "<MODE>1</MODE><OFFSET>-1</OFFSET><TIME_OUT> 5</TIME_OUT><PARITY>0</PARITY><BAUD>0</BAUD>"
       "<SNMP_PRIVATE></SNMP_PRIVATE><SNMP_PUBLIC>a&amp;b &lt;c&gt;</SNMP_PUBLIC>"
       "<TCP_PORT>-1</TCP_PORT><TCP_GAT4>1</TCP_GAT4><TCP_GAT3>1</TCP_GAT3><TCP_GAT2>1</TCP_GAT2>"
       "<TCP_GAT1>1</TCP_GAT1><TCP_SUB4>0</TCP_SUB4><TCP_SUB3>0</TCP_SUB3><TCP_SUB2>0</TCP_SUB2>"
       "<TCP_SUB1>255</TCP_SUB1><TCP_IP4>-1</TCP_IP4><TCP_IP3>3</TCP_IP3><TCP_IP2>2</TCP_IP2>"
       "<TCP_IP1>1</TCP_IP1></General_Parameter>\r\n",
       "<TCP_MASTER_TO_RTU_SLAVE>\r\n  <!-- pumps -->\r\n  <row DATA_TYPE=\"$3\" RTU_ADDRESS=\"70000\" "
       "TCP_ADD_DEV_1=\"0x0A\" TCP_ADD_DEV_2=\"0\" TCP_ADD_DEV_3=\"0\" TCP_ADD_DEV_4=\" 9\" "
       "TCP_ADDRESS=\"-2\" N_POINT=\"12\" MNEMONIC=\"P\"/>\r\n</TCP_MASTER_TO_RTU_SLAVE>\r\n"},
  };
}

TEST(RecoverVerb, EveryKindOfProjectComesBackToTheSameImage) {
  test::TempFolder folder;
  const std::string master = folder / "ravelin.sx";
  WriteFileBytes(master, test::JoinLines(test::ComposedFirmwareLines(ConfigImage{})));
  int n = 0;
  for (const ProjectKind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    const std::string project = folder / ("p" + std::to_string(++n));
    std::filesystem::create_directories(project + "/bin");
    WriteFileBytes(project + "/pargen.xml", kind.pargen);
    WriteFileBytes(project + "/var.xml", kind.var);
    ASSERT_EQ(Cli({"image", project, "--time", kTime}).code, 0);
    ASSERT_EQ(Cli({"compose", master, project + "/bin", project + "/New_ravelin.sx"}).code, 0);
    const std::string image = ReadFileBytes(project + "/bin/bank1.bin");
    for (const char* source : {"/New_ravelin.sx", "/bin/bank1.bin"}) {
      SCOPED_TRACE(source);
      const std::string recovered = project + "-from-" + (source[1] == 'N' ? "sx" : "bin");
      const test::CliRun run = Cli({"recover", project + source, recovered});
      ASSERT_EQ(run.code, 0) << run.err;
      EXPECT_TRUE(run.out.starts_with("Build date and time: 2009-12-31 13:45:58\nRows: ")) << run.out;
      ASSERT_EQ(Cli({"image", recovered, "--time", kTime}).code, 0);
      EXPECT_TRUE(ReadFileBytes(recovered + "/bin/bank1.bin") == image);
    }
  }
}

TEST(RecoverVerb, SaysWhatItWroteAndWhatTheImageLacks) {
  test::TempFolder folder;
  WriteFileBytes(folder / "New_ravelin.sx",
                 test::JoinLines(test::ComposedFirmwareLines(test::SampleImage())));
  const test::CliRun run = Cli({"recover", folder / "New_ravelin.sx", folder / "gw/"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "Build date and time: 2026-12-09 13:45:58\nRows: 2\n");
  EXPECT_EQ(run.err, "Mnemonics are not in the image: the 2 rows of var.xml have empty mnemonics.\n");
  EXPECT_TRUE(std::filesystem::is_directory(folder / "gw/bin"));
  EXPECT_EQ(ReadGeneralParameters(folder / "gw/pargen.xml").addressRtu, 247);
}

TEST(RecoverVerb, RefusesAndWritesNothing) {
  test::TempFolder folder;
  ConfigImage image = test::SampleImage();
  WriteFileBytes(folder / "sample.bin", std::string(image.begin(), image.end()));
  image[15043] = 1;  // parity code 1
  WriteFileBytes(folder / "parity1.bin", std::string(image.begin(), image.end()));
  WriteFileBytes(folder / "short.bin", "S1");
  std::filesystem::create_directories(folder / "old");
  WriteFileBytes(folder / "old/var.xml", "<TCP_MASTER_TO_RTU_SLAVE/>");

  const struct {
    std::vector<std::string> args;
    int code;
    std::string err;
  } cases[] = {
      {{"recover", folder / "sample.bin", folder / "old"}, 1,
       "Refused: \"" + (folder / "old/var.xml") +
           "\" exists; recover writes only into a folder without pargen.xml and var.xml.\n"},
      {{"recover", folder / "parity1.bin", folder / "new"}, 1,
       "Refused: no documents of the program's form build this image:\n"
       "  Parity code 1: pargen.xml holds the codes 0 (none), 2 (even) and 3 (odd)\n"},
      {{"recover", folder / "short.bin", folder / "new"}, 3,
       "\"" + (folder / "short.bin") + "\" holds no complete configuration: line 1: no byte count.\n"},
      {{"recover", folder / "none.sx", folder / "new"}, 3,
       "Cannot open file \"" + (folder / "none.sx") + "\". No such file or directory.\n"},
  };
  for (const auto& c : cases) {
    const test::CliRun run = Cli(c.args);
    EXPECT_EQ(run.code, c.code) << c.args[1];
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "new"));
  EXPECT_FALSE(std::filesystem::exists(folder / "old/pargen.xml"));
}

// A recover that fails after making folders takes them back; one killed
// halfway (var.xml beside the mark and a temporary, no pargen.xml) is
// finished by the next recover instead of refusing it forever.
TEST(RecoverVerb, LeavesNoHalfProject) {
  test::TempFolder folder;
  const ConfigImage image = test::SampleImage();
  WriteFileBytes(folder / "sample.bin", std::string(image.begin(), image.end()));

  // Folders that can be made, but a temporary of var.xml whose path is too long.
  std::string deep = folder / "";
  while (deep.size() < 4070 - 201) deep += std::string(200, 'd') + "/";
  deep += std::string(4070 - deep.size(), 'p');
  const test::CliRun failed = Cli({"recover", folder / "sample.bin", deep});
  EXPECT_EQ(failed.code, 1) << failed.err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);

  std::filesystem::create_directories(folder / "killed/bin");
  WriteFileBytes(folder / "killed/.fabrion-recovering", "");
  WriteFileBytes(folder / "killed/var.xml", "<TCP_MASTER_TO_RTU_SLAVE/>");
  WriteFileBytes(folder / "killed/var.xml.fabrion-0000abcd.tmp", "<TCP_MAS");
  const test::CliRun again = Cli({"recover", folder / "sample.bin", folder / "killed"});
  EXPECT_EQ(again.code, 0) << again.err;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "killed"))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"bin", "pargen.xml", "var.xml"}));
  EXPECT_EQ(ReadTable(folder / "killed/var.xml").size(), 2u);
}

}  // namespace
}  // namespace fabrion
