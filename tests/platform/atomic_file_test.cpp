#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/temp_folder.h"
#include "platform/error.h"

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

}  // namespace
}  // namespace fabrion
