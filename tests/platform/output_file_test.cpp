#include "platform/output_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

constexpr std::string_view kBytes = "Address RTU\n1\n";

// What to put at "out" before writing, what the write says ("" for no error,
// else a part of the message) and what "out" is afterwards.
struct TargetCase {
  const char* name;
  std::function<void(const TempFolder&)> make;
  const char* error;
  fs::file_type after;
  const char* contentOf;  // the file that must hold kBytes afterwards, or null
};

void Node(const TempFolder& dir, const char* name, mode_t mode, dev_t device = 0) {
  ASSERT_EQ(mknod((dir / name).c_str(), mode | 0666, device), 0) << name;
  chmod((dir / name).c_str(), 0666);  // past the umask: an ordinary user writes it too
}

const TargetCase kTargets[] = {
    {"new name", [](const TempFolder&) {}, "", fs::file_type::regular, "out"},
    {"regular file", [](const TempFolder& d) { WriteFileBytes(d / "out", "old"); }, "",
     fs::file_type::regular, "out"},
    {"link to a file",
     [](const TempFolder& d) {
       WriteFileBytes(d / "real", "old");
       fs::create_symlink("real", d / "out");
     },
     "", fs::file_type::symlink, "real"},
    {"dangling link", [](const TempFolder& d) { fs::create_symlink("sub/../real", d / "out"); },
     "sub/../real", fs::file_type::symlink, nullptr},
    {"link to a new name", [](const TempFolder& d) { fs::create_symlink("real", d / "out"); }, "",
     fs::file_type::symlink, "real"},
    {"null device", [](const TempFolder& d) { Node(d, "out", S_IFCHR, makedev(1, 3)); }, "",
     fs::file_type::character, nullptr},
    {"link to a null device",
     [](const TempFolder& d) {
       Node(d, "null", S_IFCHR, makedev(1, 3));
       fs::create_symlink(d / "null", d / "out");
     },
     "", fs::file_type::symlink, nullptr},
    {"full device", [](const TempFolder& d) { Node(d, "out", S_IFCHR, makedev(1, 7)); },
     "No space left on device", fs::file_type::character, nullptr},
    {"FIFO without reader", [](const TempFolder& d) { Node(d, "out", S_IFIFO); },
     "It is a FIFO that no program reads from.", fs::file_type::fifo, nullptr},
    {"block device", [](const TempFolder& d) { Node(d, "out", S_IFBLK, makedev(7, 0)); },
     "It is a block device", fs::file_type::block, nullptr},
    {"folder", [](const TempFolder& d) { fs::create_directory(d / "out"); },
     "It is a folder, not a file.", fs::file_type::directory, nullptr},
    {"socket",
     [](const TempFolder& d) {
       const int s = socket(AF_UNIX, SOCK_STREAM, 0);
       sockaddr_un address{};
       address.sun_family = AF_UNIX;
       (d / "out").copy(address.sun_path, sizeof address.sun_path - 1);
       ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
       close(s);
     },
     "It is a socket", fs::file_type::socket, nullptr},
    {"link loop", [](const TempFolder& d) { fs::create_symlink("out", d / "out"); },
     "Too many levels of symbolic links", fs::file_type::symlink, nullptr},
};

// Runs every case, writing as writer (root may make device nodes first, then
// write as an ordinary user through the effective ids); failures, each told.
void ExpectEachTarget(uid_t writer) {
  for (const TargetCase& c : kTargets) {
    if (geteuid() != 0 && std::string_view(c.name).find("device") != std::string_view::npos)
      continue;  // making device nodes needs root
    SCOPED_TRACE(std::string(c.name) + " as uid " + std::to_string(writer));
    TempFolder dir;
    fs::permissions(dir.path(), fs::perms::all);
    c.make(dir);
    std::string said;
    ASSERT_EQ(seteuid(writer), 0);
    try {
      WriteOutputFile(dir / "out", kBytes);
    } catch (const Error& e) {
      said = e.what();
    }
    ASSERT_EQ(seteuid(getuid()), 0);
    if (*c.error) EXPECT_NE(said.find(c.error), std::string::npos) << said;
    else EXPECT_EQ(said, "");
    std::error_code ec;
    EXPECT_EQ(fs::symlink_status(dir / "out", ec).type(), c.after);
    if (c.contentOf) EXPECT_EQ(ReadFileBytes(dir / c.contentOf), kBytes);
    EXPECT_LE(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a leftover";
  }
}

TEST(OutputFile, EachKindOfTarget) { ExpectEachTarget(getuid()); }

TEST(OutputFile, EachKindOfTargetAsAnOrdinaryUser) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to become an ordinary user";
  ExpectEachTarget(65534);
}

TEST(OutputFile, FifoWithReaderGetsTheBytesAndStays) {
  TempFolder dir;
  ASSERT_EQ(mkfifo((dir / "out").c_str(), 0600), 0);
  const int reader = open((dir / "out").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  WriteOutputFile(dir / "out", kBytes);
  char buffer[64] = {};
  EXPECT_EQ(read(reader, buffer, sizeof buffer), static_cast<ssize_t>(kBytes.size()));
  EXPECT_EQ(std::string_view(buffer), kBytes);
  close(reader);
  EXPECT_TRUE(fs::is_fifo(dir / "out"));
}

TEST(OutputFile, FolderCheckRefusesWhatIsNoFolder) {
  TempFolder dir;
  WriteFileBytes(dir / "file", "x");
  fs::create_symlink(dir.path(), dir / "link");
  EXPECT_NO_THROW(CheckOutputFolder(dir / "link"));
  EXPECT_THROW(CheckOutputFolder(dir / "file"), Error);
  EXPECT_NO_THROW(CheckOutputFolder(dir / "missing"));
}

}  // namespace
}  // namespace fabrion
