// fabrion-cli report: to stdout or a file, and its exit codes.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/temp_folder.h"

namespace fabrion {
namespace {

using test::Cli;

TEST(ReportVerb, WritesTheReportToStdoutOrAFile) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder / "gw/bin");
  WriteGeneralParameters(folder / "gw/pargen.xml", GeneralParameters{});
  WriteEmptyTable(folder / "gw/var.xml");

  const test::CliRun toStdout = Cli({"report", folder / "gw"});
  EXPECT_EQ(toStdout.code, 0);
  EXPECT_TRUE(toStdout.out.starts_with("<!DOCTYPE html>")) << toStdout.out;
  EXPECT_NE(toStdout.out.find("<h1><bdi>gw</bdi></h1>"), std::string::npos);
  EXPECT_EQ(toStdout.err, "");

  const test::CliRun toFile = Cli({"report", "--out", folder / "gw/report.html", folder / "gw/"});
  EXPECT_EQ(toFile.code, 0);
  EXPECT_EQ(toFile.out, "");
  EXPECT_EQ(test::ReadFileBytes(folder / "gw/report.html").substr(0, 200), toStdout.out.substr(0, 200));

  const test::CliRun unwritable = Cli({"report", folder / "gw", "--out", folder / "none/r.html"});
  EXPECT_EQ(unwritable.code, 1);
  EXPECT_TRUE(unwritable.err.starts_with("Cannot create file \"" + (folder / "none/r.html") + "\".")) << unwritable.err;

  std::filesystem::remove(folder / "gw/pargen.xml");
  const test::CliRun broken = Cli({"report", folder / "gw"});
  EXPECT_EQ(broken.code, 3);
  EXPECT_EQ(broken.out, "");
  EXPECT_EQ(broken.err, "The configuration image is incomplete: Cannot open file \"" +
                            (folder / "gw/pargen.xml") + "\". No such file or directory.\n");
}

}  // namespace
}  // namespace fabrion
