#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <vector>

#include "fakes/temp_folder.h"
#include "platform/error.h"
#include "platform/paths.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fabrion {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

std::string ErrorTextOf(const std::string& path, const std::string& bytes) {
  try {
    WriteFileAtomically(path, bytes);
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

int FilesIn(const TempFolder& dir) {
  int count = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir.path())) {
    (void)entry;
    ++count;
  }
  return count;
}

TEST(AtomicFile, WritesNewFileAndReplacesOldOneWhole) {
  TempFolder dir;
  WriteFileAtomically(dir / "a.xml", "first version, long");
  WriteFileAtomically(dir / "a.xml", "second");
  EXPECT_EQ(ReadFileBytes(dir / "a.xml"), "second");
  EXPECT_EQ(FilesIn(dir), 1) << "no temporary file may stay behind";
}

TEST(AtomicFile, WritesBinaryBytesUnchanged) {
  TempFolder dir;
  std::string bytes("\0\r\n\xFF\x1A", 5);
  WriteFileAtomically(dir / "bank1.bin", bytes);
  EXPECT_EQ(ReadFileBytes(dir / "bank1.bin"), bytes);
}

TEST(AtomicFile, ReadOnlyTargetFailsWithSystemTextAndKeepsOldFile) {
  TempFolder dir;
  WriteFileBytes(dir / "pargen.xml", "old");
  test::MakeReadOnly(dir / "pargen.xml");
  EXPECT_EQ(ErrorTextOf(dir / "pargen.xml", "new"),
            "Cannot create file \"" + (dir / "pargen.xml") + "\". Permission denied");
  EXPECT_EQ(ReadFileBytes(dir / "pargen.xml"), "old");
  EXPECT_EQ(FilesIn(dir), 1);
}

TEST(AtomicFile, MissingFolderFails) {
  TempFolder dir;
  std::string path = dir / "gone/bin/bankg.c";
  EXPECT_EQ(ErrorTextOf(path, "x"),
            "Cannot create file \"" + path + "\". No such file or directory");
}

TEST(AtomicFile, FolderInPlaceOfTheFileFails) {
  TempFolder dir;
  std::filesystem::create_directory(dir.path() / "var.xml");
  EXPECT_EQ(ErrorTextOf(dir / "var.xml", "x"),
            "Cannot create file \"" + (dir / "var.xml") + "\". Is a directory");
}

#ifdef _WIN32
// An editor or a spreadsheet holds the document open and lets nobody delete
// it: the new version cannot take its name, the old one stays as it was.
TEST(AtomicFile, DocumentAnotherProgramHoldsOpenFailsClearlyAndStays) {
  TempFolder dir;
  WriteFileBytes(dir / "var.xml", "old");
  const HANDLE held = CreateFileW(ToFsPath(dir / "var.xml").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ErrorTextOf(dir / "var.xml", "new"),
            "Cannot create file \"" + (dir / "var.xml") + "\". It is open in another program");
  CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(dir / "var.xml"), "old");
  EXPECT_EQ(FilesIn(dir), 1);
}
#endif

std::vector<std::string> NamesIn(const TempFolder& dir) {
  std::vector<std::string> names;
  for (auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A killed write leaves its temporary; the next write of the same file
// removes it, and touches nothing that is not such a leftover.
TEST(AtomicFile, NextWriteRemovesWhatKilledWritesOfTheSameFileLeft) {
  TempFolder dir;
  for (const char* leftover : {"var.xml.fabrion-0123abcd.tmp", "var.xml.fabrion-deadbeef.tmp"})
    WriteFileBytes(dir / leftover, "half a table");
  const std::vector<std::string> others = {
      "pargen.xml.fabrion-0123abcd.tmp",  // another file's
      "var.xml.fabrion-0123ABCD.tmp",     "var.xml.fabrion-0123abc.tmp",
      "var.xml.fabrion-notes.tmp",        "var.xml.fabrion-0123abcd.tmp.bak",
      "var.xml.tmp123-4",                 "victim"};
  for (const std::string& name : others) WriteFileBytes(dir / name, "someone's");
  std::filesystem::create_symlink(dir / "victim", dir / "var.xml.fabrion-11111111.tmp");

  StagedFile live(dir / "var.xml");  // a write still going on keeps its temporary
  ASSERT_TRUE(live.Write("live"));
  std::vector<std::string> liveNames;
  const std::regex temporary(R"(var\.xml\.fabrion-[0-9a-f]{8}\.tmp)");
  for (const std::string& name : NamesIn(dir))
    if (std::regex_match(name, temporary) && name != "var.xml.fabrion-11111111.tmp" &&
        name != "var.xml.fabrion-deadbeef.tmp" && name != "var.xml.fabrion-0123abcd.tmp")
      liveNames.push_back(name);
  ASSERT_EQ(liveNames.size(), 1u) << "the live write's temporary carries the recognisable name";

  WriteFileAtomically(dir / "var.xml", "clean write");
  std::vector<std::string> expected = others;
  expected.push_back("var.xml");
  expected.push_back("var.xml.fabrion-11111111.tmp");  // a link is no temporary of ours
  expected.push_back(liveNames[0]);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(NamesIn(dir), expected);
  EXPECT_EQ(ReadFileBytes(dir / "victim"), "someone's");

  live.Commit();
  EXPECT_EQ(ReadFileBytes(dir / "var.xml"), "live");
  EXPECT_FALSE(std::filesystem::exists(dir / liveNames[0]));
}

}  // namespace
}  // namespace fabrion
