#include "platform/process_start.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/recording_flash_tool.h"
#include "fakes/temp_folder.h"

#ifndef _WIN32
#include <cerrno>
#include <sys/wait.h>
#endif

namespace fabrion {
namespace {

using test::InstallRecordingFlashTool;
using test::TempFolder;
using test::WaitForFlashCall;

// Runs the body with folder as the current folder, then goes back.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

TEST(StartDetachedProgram, PassesTheParameterAsOneArgumentByteForByte) {
  // Quotes, blanks, shell syntax and the raw byte 0xB6: none of it may be
  // interpreted, split or re-encoded on the way.
  const std::string parameters[] = {
      "\"/tmp/PROJECTS/demo/New_ravelin.sx\"\xB6" "0",
      "\"/tmp/a b/$(touch injected); rm -rf x `id` 'q' \\ *\"\xB6" "7",
      "",
  };
  for (const std::string& parameter : parameters) {
    SCOPED_TRACE(parameter);
    TempFolder folder;
    const std::filesystem::path tool = folder.path() / "tool dir $x" / "Burnline.exe";
    std::filesystem::create_directories(tool.parent_path());
    InstallRecordingFlashTool(tool);
    const std::filesystem::path current = folder.path() / "MASTER";
    std::filesystem::create_directories(current);
    {
      CurrentFolder inside(current);
      ASSERT_TRUE(StartDetachedProgram(tool.string(), parameter));
    }
    const auto call = WaitForFlashCall(tool.parent_path());
    ASSERT_TRUE(call.has_value());
#ifdef _WIN32
    // One command line: an empty parameter string is no argument at all.
    EXPECT_EQ(call->argumentCount, parameter.empty() ? "0" : "1");
#else
    EXPECT_EQ(call->argumentCount, "1");
#endif
    EXPECT_EQ(call->argument, parameter);
    EXPECT_EQ(call->folder, current.string());
    EXPECT_FALSE(std::filesystem::exists(current / "injected"));
  }
}

#ifndef _WIN32

TEST(StartDetachedProgram, LeavesNoChildToReap) {
  TempFolder folder;
  const std::filesystem::path tool = folder.path() / "Burnline.exe";
  InstallRecordingFlashTool(tool);
  ASSERT_TRUE(StartDetachedProgram(tool.string(), "x"));
  ASSERT_TRUE(WaitForFlashCall(folder.path()).has_value());
  // The intermediate process was reaped and the tool is init's child, not ours.
  int status = 0;
  errno = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(StartDetachedProgram, ReportsAProgramThatCannotStart) {
  TempFolder folder;
  const std::string notExecutable = folder / "Burnline.exe";
  test::WriteFileBytes(notExecutable, "#!/bin/sh\necho no\n");
  const struct {
    std::string program;
    const char* why;
  } cases[] = {
      {folder / "missing.exe", "missing"},
      {notExecutable, "not executable"},
      {folder.str(), "a folder"},
      {"", "empty name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_FALSE(StartDetachedProgram(c.program, "\"x\"\xB6" "0"));
  }
  int status = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
}

#endif

TEST(ParameterTextUtf16, DecodesUtf8AndTakesOtherBytesAsWindows1252) {
  const struct {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"\"C:\\Fabrion\\PROJECTS\\demo\\New_ravelin.sx\"\xB6" "2",
       u"\"C:\\Fabrion\\PROJECTS\\demo\\New_ravelin.sx\"\u00B62"},
      {"\xC2\xB6", u"\u00B6"},                   // a pilcrow already in UTF-8
      {"Caf\xC3\xA9\xB6", u"Caf\u00E9\u00B6"},   // UTF-8, then the raw byte
      {"\x80\x8A\x81", u"\u20AC\u0160\u0081"},   // Windows-1252 high codes
      {"\xC3", u"\u00C3"},                       // a sequence cut short
      {"\xC0\x80", u"\u00C0\u20AC"},             // an overlong form is no UTF-8
      {"\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},   // nor is an encoded surrogate
      {"\xF0\x9F\x93\x81", u"\U0001F4C1"},       // beyond the basic plane
      {"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(ParameterTextUtf16(c.bytes), c.text);
  }
}

}  // namespace
}  // namespace fabrion
