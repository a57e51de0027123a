#include "platform/output_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

void Make(const TempFolder& d, const std::string& what) {
  const std::string out = d / "out";
  if (what == "file") test::WriteFileBytes(out, "old");
  if (what == "link") fs::create_symlink("real", out);
  if (what == "loop") fs::create_symlink("out", out);
  if (what == "folder") fs::create_directory(out);
  if (what == "fifo") mkfifo(out.c_str(), 0666);
  if (what == "null" || what == "full" || what == "block")
    mknod(out.c_str(), (what == "block" ? S_IFBLK : S_IFCHR) | 0666,
          makedev(what == "block" ? 7 : 1, what == "full" ? 7 : what == "null" ? 3 : 0));
  if (what == "socket") {
    sockaddr_un address{AF_UNIX, {}};
    out.copy(address.sun_path, sizeof address.sun_path - 1);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    close(s);
  }
  chmod(out.c_str(), 0666);  // past the umask: an ordinary user writes it too
}

// Each kind of target, written as root and as an ordinary user: the error
// (part of it, "" for none), what "out" is afterwards, and the file that gets the bytes.
void ExpectEachTarget(uid_t writer) {
  const struct {
    const char* make;
    const char* error;
    fs::file_type after;
    const char* written;
  } cases[] = {
      {"", "", fs::file_type::regular, "out"},
      {"file", "", fs::file_type::regular, "out"},
      {"link", "", fs::file_type::symlink, "real"},
      {"null", "", fs::file_type::character, nullptr},
      {"full", "No space left on device", fs::file_type::character, nullptr},
      {"fifo", "It is a FIFO that no program reads from.", fs::file_type::fifo, nullptr},
      {"block", "It is a block device", fs::file_type::block, nullptr},
      {"folder", "It is a folder, not a file.", fs::file_type::directory, nullptr},
      {"socket", "It is a socket", fs::file_type::socket, nullptr},
      {"loop", "Too many levels of symbolic links", fs::file_type::symlink, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.make) + " as uid " + std::to_string(writer));
    TempFolder dir;
    fs::permissions(dir.path(), fs::perms::all);
    Make(dir, c.make);
    std::string said;
    ASSERT_EQ(seteuid(writer), 0);
    try {
      WriteOutputFile(dir / "out", "bytes");
    } catch (const Error& e) {
      said = e.what();
    }
    ASSERT_EQ(seteuid(getuid()), 0);
    EXPECT_TRUE(*c.error ? said.find(c.error) != std::string::npos : said.empty()) << said;
    std::error_code ec;
    EXPECT_EQ(fs::symlink_status(dir / "out", ec).type(), c.after);
    if (c.written) EXPECT_EQ(test::ReadFileBytes(dir / c.written), "bytes");
    EXPECT_LE(std::distance(fs::directory_iterator(dir.path()), {}), 2) << "a leftover";
  }
}

TEST(OutputFile, EachKindOfTargetAsRootAndAsAnOrdinaryUser) {
  if (getuid() != 0) GTEST_SKIP() << "device nodes are made as root";
  ExpectEachTarget(0);
  ExpectEachTarget(65534);
}

TEST(OutputFile, FifoWithReaderGetsTheBytesAndStays) {
  TempFolder dir;
  Make(dir, "fifo");
  const int reader = open((dir / "out").c_str(), O_RDONLY | O_NONBLOCK);
  WriteOutputFile(dir / "out", "bytes");
  char buffer[8] = {};
  EXPECT_EQ(read(reader, buffer, sizeof buffer - 1), 5);
  close(reader);
  EXPECT_STREQ(buffer, "bytes");
  EXPECT_TRUE(fs::is_fifo(dir / "out"));
}

}  // namespace
}  // namespace fabrion
