// fabrion-cli check against devices of the test itself on 127.0.0.0/8.
#include <gtest/gtest.h>

#include <sstream>

#include "fakes/modbus_test_devices.h"
#include "fakes/temp_folder.h"
#include "fakes/translate_rows.h"
#include "tools/fabrion_cli/fabrion_cli.h"

namespace fabrion {
namespace {

using test::Record;

struct CheckRun {
  int code;
  std::string out, err;
};

CheckRun Check(std::vector<std::string> args) {
  args.insert(args.begin(), "check");
  std::ostringstream out, err;
  const int code = RunFabrionCli(args, out, err);
  return {code, out.str(), err.str()};
}

class CheckVerb : public ::testing::Test {
 protected:
  CheckVerb() : listeners({"127.0.0.1"}), server(listeners.Take(0)) {
    std::filesystem::create_directories(folder / "p");
    WriteTable(folder / "p/var.xml",
               {Record(3, 1, {127, 0, 0, 1}, 4, 2, "holding"),
                Record(1, 2, {127, 0, 0, 2}, 0, 3, "nobody there"),
                Record(2, 3, {127, 0, 0, 1}, 5, 0, "nothing to read"),
                Record(4, 4, {127, 0, 0, 1}, 99, 2, "beyond the map")});
  }
  std::string Port() const { return std::to_string(listeners.port()); }

  test::TempFolder folder;
  test::Listeners listeners;
  test::ModbusTestServer server;
};

TEST_F(CheckVerb, WritesOneLineInWordsPerRow) {
  const CheckRun run = Check({folder / "p", "--port=" + Port()});
  EXPECT_EQ(run.code, 5);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "row 1, Holding Register, 127.0.0.1, address 4, 2 points: ok, values 1004 1005\n"
            "row 2, Coil Status, 127.0.0.2, address 0, 3 points: no-connection (Connection refused)\n"
            "row 3, Input Status, 127.0.0.1, address 5, 0 points: skipped (N\xC2\xB0 Point 0)\n"
            "row 4, Input Register, 127.0.0.1, address 99, 2 points: exception 2 (Illegal data "
            "address)\n");
}

TEST_F(CheckVerb, WritesAJsonArrayWithOneObjectPerRow) {
  const CheckRun run = Check({folder / "p/", "--json", "--port", Port(), "--unit", "0x11"});
  EXPECT_EQ(run.code, 5);
  EXPECT_EQ(run.out,
            "[\n"
            " {\"row\": 1, \"device\": \"127.0.0.1\", \"type\": \"Holding Register\", \"address\": 4, "
            "\"count\": 2, \"status\": \"ok\", \"values\": [1004, 1005]},\n"
            " {\"row\": 2, \"device\": \"127.0.0.2\", \"type\": \"Coil Status\", \"address\": 0, "
            "\"count\": 3, \"status\": \"no-connection\"},\n"
            " {\"row\": 3, \"device\": \"127.0.0.1\", \"type\": \"Input Status\", \"address\": 5, "
            "\"count\": 0, \"status\": \"skipped\"},\n"
            " {\"row\": 4, \"device\": \"127.0.0.1\", \"type\": \"Input Register\", \"address\": 99, "
            "\"count\": 2, \"status\": \"exception\", \"exception\": 2}\n"
            "]\n");
}

TEST_F(CheckVerb, EndsWithZeroWhenEveryRowIsOkOrSkipped) {
  WriteTable(folder / "p/var.xml", {Record(1, 1, {127, 0, 0, 1}, 0, 4, ""),
                                    Record(1, 2, {127, 0, 0, 1}, 0, 0, "")});
  const CheckRun run = Check({folder / "p", "--json", "--port", Port(), "--timeout", "500"});
  EXPECT_EQ(run.code, 0);
  EXPECT_NE(run.out.find("\"values\": [1, 0, 0, 1]"), std::string::npos) << run.out;
  WriteTable(folder / "p/var.xml", {});
  EXPECT_EQ(Check({folder / "p", "--json", "--port", Port()}).out, "[]\n");
}

TEST_F(CheckVerb, RefusesATableItCannotRead) {
  struct Case {
    const char* bytes;
    const char* err;  // after the path in quotes
  };
  const Case cases[] = {
      {"<TCP_MASTER_TO_RTU_SLAVE>", " is not well-formed: "},
      {"<T><row DATA_TYPE=\"3\" RTU_ADDRESS=\"1\" TCP_ADD_DEV_1=\"127\" TCP_ADD_DEV_2=\"0\" "
       "TCP_ADD_DEV_3=\"0\" TCP_ADD_DEV_4=\"1\" TCP_ADDRESS=\"70000\" N_POINT=\"1\" MNEMONIC=\"\"/></T>",
       ", row 1: Error!! Address TCP must be between 0 and 65535.\n"},
      {"<T><row DATA_TYPE=\"9\" RTU_ADDRESS=\"1\"/></T>",
       ": Error!! Type Data must be Coil Status or Input Status or Holding Register or Input "
       "Register (Line 1).\n"},
  };
  const std::string path = folder / "p/var.xml";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    test::WriteFileBytes(path, c.bytes);
    const CheckRun run = Check({folder / "p", "--port", Port()});
    EXPECT_EQ(run.code, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, path.size() + 2 + std::string(c.err).size()),
              "\"" + path + "\"" + c.err);
  }
  std::filesystem::remove(path);
  const CheckRun missing = Check({folder / "p"});
  EXPECT_EQ(missing.code, 3);
  EXPECT_EQ(missing.err, "Cannot open file \"" + path + "\". No such file or directory.\n");
}

TEST(CheckVerbUsage, RefusesWhatItCannotUse) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "check needs PROJECT_DIR"},
      {{"a", "b"}, "check takes one PROJECT_DIR"},
      {{"a", "--port", "0"}, "--port needs a number from 1 to 65535, not \"0\""},
      {{"a", "--port="}, "--port needs a number from 1 to 65535, not \"\""},
      {{"a", "--port=1", "--port", "2"}, "--port given twice"},
      {{"a", "--unit", "256"}, "--unit needs a number from 0 to 255, not \"256\""},
      {{"a", "--timeout", "60001"}, "--timeout needs a number from 1 to 60000, not \"60001\""},
      {{"a", "--timeout", "10 "}, "--timeout needs a number from 1 to 60000, not \"10 \""},
      {{"a", "--timeout"}, "--timeout needs a number from 1 to 60000"},
      {{"a", "--unit", "1", "--unit", "2"}, "--unit given twice"},
      {{"a", "--verbose"}, "unknown option \"--verbose\""},
  };
  for (const auto& [args, problem] : cases) {
    const CheckRun run = Check(args);
    EXPECT_EQ(run.code, 2) << problem;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "fabrion-cli: " + problem);
  }
  const CheckRun help = Check({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Exit status: 0 every row ok or skipped; 5 some row is not; 3 var.xml"),
            std::string::npos);
}

}  // namespace
}  // namespace fabrion
