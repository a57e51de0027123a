// Only regular files are read as documents, masters and bank files; nothing
// put in their place can make a reader hang or run out of memory.
#include "platform/file_open.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "firmware/config_image.h"
#include "readback/firmware_check.h"
#include "firmware/firmware_composer.h"
#include "platform/error.h"
#include "platform/profile_file.h"
#include "platform/progress_indicator.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// Opens a FIFO for writing after two seconds unless stopped: a reader that
// waits for a writer then sees the end of the file and fails its test
// instead of hanging it.
class FifoUnblocker {
 public:
  explicit FifoUnblocker(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}
  ~FifoUnblocker() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::seconds(2), [this] { return stopped_; })) return;
    const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
  }
  std::string path_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopped_ = false;
  std::thread thread_;
};

void MakeSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
  close(fd);
}

void MakeSparseFile(const std::string& path, std::uint64_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
  close(fd);
}

// Composes from folder's ravelin.sx and bin/bank1.bin, each made a plain
// file unless the test put something else there first.
std::string Compose(const TempFolder& folder) {
  fs::create_directories(folder.path() / "bin");
  for (const char* name : {"ravelin.sx", "bin/bank1.bin"})
    if (!fs::exists(fs::symlink_status(folder.path() / name)))
      test::WriteFileBytes(folder / name, "S9030000FC\r\n");
  HeldProgress progress;
  ComposeFirmware(1, folder / "ravelin.sx", folder / "bin", "New_ravelin.sx", folder.str(),
                  progress);
  return "composed";
}

TEST(OnlyRegularFilesAreRead, EveryReaderRefusesFifosDevicesSocketsAndHugeDocuments) {
  const struct Reader {
    const char* name;
    const char* file;
    bool document;  // held to the 64 MiB limit
    std::function<std::string(const TempFolder&)> read;  // the text it reports
  } readers[] = {
      {"translate table", "var.xml", true,
       [](const TempFolder& f) {
         ReadTable(f / "var.xml");
         return std::string("read");
       }},
      {"general parameters", "pargen.xml", true,
       [](const TempFolder& f) {
         ReadGeneralParameters(f / "pargen.xml");
         return std::string("read");
       }},
      {"image build", "var.xml", true,
       [](const TempFolder& f) {
         test::FakeClock clock;
         ConfigImage image{};
         return BuildConfigImage(f.str(), clock, image).reason;
       }},
      {"ini file", "Fabrion.ini", true,
       [](const TempFolder& f) {
         EXPECT_EQ(ReadProfileString(f / "Fabrion.ini", "lastproj", "projectname"), "");
         WriteProfileString(f / "Fabrion.ini", "lastproj", "projectname", "gw1");
         return std::string("written");
       }},
      {"flash tool's check", "New_ravelin.sx", false,
       [](const TempFolder& f) {
         CheckFirmwareFile(f / "New_ravelin.sx");
         return std::string("read");
       }},
      {"composer's master", "ravelin.sx", false, [](const TempFolder& f) { return Compose(f); }},
      {"composer's bank file", "bin/bank1.bin", false,
       [](const TempFolder& f) { return Compose(f); }},
  };
  const struct Kind {
    const char* name;
    void (*make)(const std::string& path);
    const char* why;
  } kinds[] = {
      {"FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0600); },
       "It is a FIFO, not a regular file"},
      {"link to /dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); },
       "It is a device, not a regular file"},
      {"socket", MakeSocket, "It is a socket, not a regular file"},
      {"document one byte over 64 MiB",
       [](const std::string& p) { MakeSparseFile(p, kMaxDocumentBytes + 1); },
       "It is larger than 64 MiB (67108865 bytes)"},
  };
  for (const Reader& reader : readers) {
    for (const Kind& kind : kinds) {
      if (!reader.document && std::string(kind.name).starts_with("document")) continue;
      TempFolder folder;
      const std::string path = folder / reader.file;
      fs::create_directories(fs::path(path).parent_path());
      kind.make(path);
      std::string text;
      const auto start = std::chrono::steady_clock::now();
      {
        FifoUnblocker unblocker(path);
        try {
          text = reader.read(folder);
        } catch (const Error& e) {
          text = e.what();
        }
      }
      const auto took = std::chrono::steady_clock::now() - start;
      const std::string expected = "Cannot open file \"" + path + "\". " + kind.why;
      EXPECT_NE(text.find(expected), std::string::npos)
          << reader.name << ", " << kind.name << ": " << text;
      EXPECT_LT(took, std::chrono::seconds(1)) << reader.name << ", " << kind.name;
    }
  }
}

TEST(ReadRegularFile, ReadsUpToTheLimitAndRefusesOneBytePast) {
  TempFolder folder;
  const std::uint64_t limit = 1024 * 1024;
  test::WriteFileBytes(folder / "at.xml", std::string(limit, 'a'));
  EXPECT_EQ(ReadRegularFile(folder / "at.xml", limit).size(), limit);
  test::WriteFileBytes(folder / "past.xml", std::string(limit + 1, 'a'));
  try {
    ReadRegularFile(folder / "past.xml", limit);
    FAIL() << "read a file past the limit";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + (folder / "past.xml") +
                                         "\". It is larger than 1 MiB (1048577 bytes)");
  }
}

}  // namespace
}  // namespace fabrion
