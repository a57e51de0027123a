// fabrion-cli table export|import|check, end to end on a project folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "documents/var_document.h"
#include "fakes/temp_folder.h"
#include "fakes/translate_rows.h"
#include "tools/fabrion_cli/fabrion_cli.h"

namespace fabrion {
namespace {

using test::ReadFileBytes;
using test::Record;
using test::WriteFileBytes;

struct TableRun {
  int code;
  std::string out, err;
};

TableRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunFabrionCli(args, out, err);
  return {code, out.str(), err.str()};
}

const std::vector<TMyRec> kRows = {
    Record(3, 100, {192, 168, 1, 20}, 0, 8, "Pump, \"north\" \xC3\xA9"),
    Record(1, 0, {10, 0, 0, 1}, 65535, 0, "Valve, east"),
    Record(3, 104, {192, 168, 1, 10}, 7, 126, "two\nlines; <&>"),
};

const std::string kExport =
    "\xEF\xBB\xBF"
    "Data Type,Address RTU,Address Device TCP,Address TCP,N\xC2\xB0 Point,Mnemonic\r\n"
    "Holding Register,100,192.168.1.20,0,8,\"Pump, \"\"north\"\" \xC3\xA9\"\r\n"
    "Coil Status,0,10.0.0.1,65535,0,\"Valve, east\"\r\n"
    "Holding Register,104,192.168.1.10,7,126,\"two\nlines; <&>\"\r\n";

// The same table as a spreadsheet program saves it in its semicolon form:
// byte order mark, LF, quotes only where the semicolon form needs them.
const std::string kSpreadsheetForm =
    "\xEF\xBB\xBF"
    "Data Type;Address RTU;Address Device TCP;Address TCP;N\xC2\xB0 Point;Mnemonic\n"
    "Holding Register;100;192.168.1.20;0;8;\"Pump, \"\"north\"\" \xC3\xA9\"\n"
    "Coil Status;0;10.0.0.1;65535;0;Valve, east\n"
    "Holding Register;104;192.168.1.10;7;126;\"two\nlines; <&>\"\n";

class TableVerb : public ::testing::Test {
 protected:
  TableVerb() {
    std::filesystem::create_directories(folder / "p");
    WriteTable(var, kRows);
    WriteFileBytes(folder / "p/pargen.xml",
                   "<General_Parameter><TCP_IP1>192</TCP_IP1><TCP_IP2>168</TCP_IP2>"
                   "<TCP_IP3>1</TCP_IP3><TCP_IP4>10</TCP_IP4></General_Parameter>");
  }
  test::TempFolder folder;
  const std::string project = folder / "p";
  const std::string var = folder / "p/var.xml";
};

TEST_F(TableVerb, ExportWritesTheTableToStdoutOrAFile) {
  TableRun run = Cli({"table", "export", project});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, kExport);
  EXPECT_EQ(run.err, "");
  run = Cli({"table", "export", project + "/", folder / "t.csv"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadFileBytes(folder / "t.csv"), kExport);
}

TEST_F(TableVerb, SpreadsheetFormOfAnExportImportsBackAsTheSameVarXml) {
  const std::string original = ReadFileBytes(var);
  for (const std::string& csv : {kExport, kSpreadsheetForm}) {
    WriteTable(var, {});
    WriteFileBytes(folder / "t.csv", csv);
    const TableRun run = Cli({"table", "import", project, folder / "t.csv"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(ReadFileBytes(var), original) << csv;
  }
}

TEST_F(TableVerb, ImportPrintsEveryProblemAndLeavesVarXmlAsItWas) {
  const std::string original = ReadFileBytes(var);
  const std::string csv = folder / "t.csv";
  WriteFileBytes(csv,
                 "Coil Status,70000,1.2.3.4,1,127,a\r\n"
                 "Coil Status,1,1.2.3.4,1,1,b\r\n"
                 "Coil,1,1.2.3.4,1,1\r\n");
  const TableRun run = Cli({"table", "import", project, csv});
  EXPECT_EQ(run.code, 3);
  EXPECT_EQ(run.err,
            csv + ":1: Error!! Address RTU must be between 0 and 65535.\n" +
            csv + ":1: Error!! N\xC2\xB0 Point must be between 0 and 127.\n" +
            csv + ":3: It has 5 cells where a row has 6 (Data Type, Address RTU, Address Device "
                  "TCP, Address TCP, N\xC2\xB0 Point, Mnemonic), separated by commas.\n");
  EXPECT_EQ(ReadFileBytes(var), original);
}

TEST_F(TableVerb, CheckPrintsTheWarningsOnePerLine) {
  TableRun run = Cli({"table", "check", project});
  EXPECT_EQ(run.code, 4);
  EXPECT_EQ(run.out,
            "Row 2 maps no points (N\xC2\xB0 Point is 0).\n"
            "Row 2's device 10.0.0.1 is outside the gateway's network 192.168.1.0 (subnet mask "
            "255.255.255.0) and no default gateway is set.\n"
            "Row 3 maps Holding Register RTU addresses 104 to 107, which row 1 already maps.\n"
            "Row 3's device 192.168.1.10 is the gateway's own address.\n"
            "Row 3 asks for 126 registers in one read; Modbus reads at most 125 registers at a "
            "time.\n");
  EXPECT_EQ(run.err, "");

  std::filesystem::remove(folder / "p/pargen.xml");
  WriteTable(var, {kRows[0]});
  run = Cli({"table", "check", project});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "No general parameters (\"" + (folder / "p/pargen.xml") +
                         "\"): the checks of the devices' network are left out.\n");
}

TEST_F(TableVerb, InputsThatCannotBeReadExitWithThreeOutputsWithOne) {
  const std::string none = folder / "none";
  EXPECT_EQ(Cli({"table", "check", none}).err, "Cannot find the project folder \"" + none + "\".\n");
  const TableRun missing = Cli({"table", "import", project, none});
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(missing.err, "Cannot open file \"" + none + "\". No such file or directory.\n");
  EXPECT_EQ(Cli({"table", "export", project, none + "/t.csv"}).code, 1);
  WriteFileBytes(var, "<TCP_MASTER_TO_RTU_SLAVE>");
  for (const char* action : {"export", "check"}) {
    const TableRun run = Cli({"table", action, project});
    EXPECT_EQ(run.code, 3) << action;
    EXPECT_TRUE(run.err.starts_with("\"" + var + "\" is not well-formed: ")) << run.err;
  }
}

TEST(TableVerbUsage, WrongCommandLinesExitWithTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"table"}, {"table", "frob", "p"}, {"table", "export"}, {"table", "export", "p", "f", "g"},
           {"table", "import", "p"}, {"table", "check", "p", "q"}, {"table", "check", "p", "--all"}})
    EXPECT_EQ(Cli(args).code, 2) << ::testing::PrintToString(args);
  EXPECT_NE(Cli({"table", "--help"}).out.find("Exit status: 0"), std::string::npos);
}

}  // namespace
}  // namespace fabrion
