// fabrion-cli check against devices of the test itself on 127.0.0.0/8.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <sstream>
#include <thread>

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

// The run, with the times it measured (which vary) as N.
CheckRun Check(std::vector<std::string> args) {
  args.insert(args.begin(), "check");
  std::ostringstream out, err;
  const int code = RunFabrionCli(args, out, err);
  const std::regex times("(answered in |\"response_ms\": |\"elapsed_ms\": )[0-9]+");
  return {code, std::regex_replace(out.str(), times, "$1N"), err.str()};
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
            "row 1, Holding Register, 127.0.0.1, address 4, 2 points: ok, values 1004 1005; "
            "answered in N ms\n"
            "row 2, Coil Status, 127.0.0.2, address 0, 3 points: no-connection (Connection refused)\n"
            "row 3, Input Status, 127.0.0.1, address 5, 0 points: skipped (N\xC2\xB0 Point 0)\n"
            "row 4, Input Register, 127.0.0.1, address 99, 2 points: exception 2 (Illegal Data "
            "Address); answered in N ms\n");
}

TEST_F(CheckVerb, WritesOneJsonObjectForScripts) {
  const CheckRun run =
      Check({folder / "p/", "--json", "--port", Port(), "--unit", "0x11", "--deadline", "60"});
  EXPECT_EQ(run.code, 5);
  std::string project;  // as JSON writes it: a Windows path's backslashes doubled
  for (char c : std::string(folder / "p"))
    project += c == '\\' ? std::string("\\\\") : std::string(1, c);
  EXPECT_EQ(run.out,
            "{\"project\": \"" + project + "\",\n"
            " \"settings\": {\"port\": " + Port() + ", \"unit\": 17, \"timeout\": 1000, "
            "\"retries\": 1, \"deadline\": 60},\n"
            " \"summary\": {\"ok\": 1, \"exception\": 1, \"no-connection\": 1, \"time-out\": 0, "
            "\"error\": 0, \"skipped\": 1, \"not-checked\": 0, \"elapsed_ms\": N},\n"
            " \"rows\": [\n"
            "  {\"row\": 1, \"device\": \"127.0.0.1\", \"type\": \"Holding Register\", \"address\": 4, "
            "\"count\": 2, \"status\": \"ok\", \"response_ms\": N, \"values\": [1004, 1005]},\n"
            "  {\"row\": 2, \"device\": \"127.0.0.2\", \"type\": \"Coil Status\", \"address\": 0, "
            "\"count\": 3, \"status\": \"no-connection\", \"message\": \"Connection refused\"},\n"
            "  {\"row\": 3, \"device\": \"127.0.0.1\", \"type\": \"Input Status\", \"address\": 5, "
            "\"count\": 0, \"status\": \"skipped\", \"message\": \"N\xC2\xB0 Point 0\"},\n"
            "  {\"row\": 4, \"device\": \"127.0.0.1\", \"type\": \"Input Register\", \"address\": 99, "
            "\"count\": 2, \"status\": \"exception\", \"response_ms\": N, \"exception\": 2, "
            "\"exception_name\": \"Illegal Data Address\", \"message\": \"exception 2 (Illegal Data "
            "Address)\"}\n"
            " ]}\n");
}

TEST_F(CheckVerb, ExitStatusSaysWhatAJobNeedsToKnow) {
  WriteTable(folder / "p/var.xml", {Record(1, 1, {127, 0, 0, 1}, 0, 4, ""),
                                    Record(1, 2, {127, 0, 0, 1}, 0, 0, "")});
  const CheckRun run = Check({folder / "p", "--json", "--port", Port(), "--timeout", "500"});
  EXPECT_EQ(run.code, 0);
  EXPECT_NE(run.out.find("\"values\": [1, 0, 0, 1]"), std::string::npos) << run.out;

  for (const std::vector<TMyRec>& nothing :
       {std::vector<TMyRec>{}, std::vector<TMyRec>{Record(1, 2, {127, 0, 0, 1}, 0, 0, "")}}) {
    WriteTable(folder / "p/var.xml", nothing);
    const CheckRun none = Check({folder / "p", "--port", Port()});
    EXPECT_EQ(none.code, 4);
    EXPECT_EQ(none.err, "nothing was checked\n");
  }

#ifndef _WIN32  // waits for the handler through sigaction, which Windows lacks
  // Ctrl+C in the middle of a wait: what was checked, as valid JSON.
  test::SilentListener silent(test::ListenOn("127.0.0.3", listeners.port()));
  WriteTable(folder / "p/var.xml", {Record(1, 1, {127, 0, 0, 1}, 0, 1, ""),
                                    Record(1, 2, {127, 0, 0, 3}, 0, 1, "")});
  std::thread interrupter([] {
    for (struct sigaction now{}; sigaction(SIGINT, nullptr, &now) == 0 && now.sa_handler == SIG_DFL;)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::raise(SIGINT);
  });
  const CheckRun stopped = Check({folder / "p", "--json", "--port", Port(), "--timeout", "60000"});
  interrupter.join();
  EXPECT_EQ(stopped.code, 130);
  const std::string end = "\"message\": \"not asked: the check was interrupted\"}\n ]}\n";
  EXPECT_TRUE(stopped.out.ends_with(end)) << stopped.out;
#endif
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
      {{"a", "--retries", "6"}, "--retries needs a number from 0 to 5, not \"6\""},
      {{"a", "--deadline", "0"}, "--deadline needs a number from 1 to 86400, not \"0\""},
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
  EXPECT_NE(help.out.find("Exit status: 0 every row ok or skipped; 5 some row is not; 4 nothing"),
            std::string::npos);
}

}  // namespace
}  // namespace fabrion
