#include "platform/output_file.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows before it gives up (ELOOP).
constexpr int kMaxLinks = 40;

// Where path leads once every link on its last element is followed; the
// target may not exist yet (a dangling link names the file to create).
fs::path FollowLinks(std::string_view shown, fs::path path) {
  for (int hops = 0;; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    if (hops == kMaxLinks) throw Error(CannotCreateFileText(shown, ELOOP));
    const fs::path next = fs::read_symlink(path, ec);
    if (ec) throw Error(CannotCreateFileText(shown, ec.value()));
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
}

// The sentence that refuses a target of this type, or nothing for the types
// that can be written.
std::string_view RefusalOf(fs::file_type type) {
  switch (type) {
    case fs::file_type::directory:
      return "It is a folder, not a file.";
    case fs::file_type::socket:
      return "It is a socket; only a file, a character device or a FIFO can be written.";
    case fs::file_type::block:
      return "It is a block device; only a file, a character device or a FIFO can be written.";
    case fs::file_type::not_found:
    case fs::file_type::regular:
    case fs::file_type::character:
    case fs::file_type::fifo:
      return {};
    default:
      return "It is a special file; only a file, a character device or a FIFO can be written.";
  }
}

#ifndef _WIN32
// Opens a character device or FIFO for writing without creating, truncating
// or waiting: a FIFO with no reader is refused at once.
std::FILE* OpenStream(std::string_view shown, const fs::path& path) {
  const int descriptor = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    if (errno == ENXIO)
      throw Error(CannotCreateFileText(shown, "It is a FIFO that no program reads from."));
    throw Error(CannotCreateFileText(shown, errno));
  }
  struct stat opened;
  // Checked on the opened handle: nothing swapped in after the look passes.
  if (fstat(descriptor, &opened) != 0 || !(S_ISCHR(opened.st_mode) || S_ISFIFO(opened.st_mode))) {
    close(descriptor);
    throw Error(CannotCreateFileText(shown, "It changed while it was being opened."));
  }
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  std::FILE* stream = fdopen(descriptor, "wb");
  if (!stream) {
    const int failure = errno;
    close(descriptor);
    throw Error(CannotCreateFileText(shown, failure));
  }
  return stream;
}
#endif

}  // namespace

OutputFile::OutputFile(std::string_view target) : target_(target) {
  const fs::path path = FollowLinks(target, ToFsPath(target));
  std::error_code ec;
  const fs::file_type type = fs::status(path, ec).type();
  if (const std::string_view refusal = RefusalOf(type); !refusal.empty())
    throw Error(CannotCreateFileText(target, refusal));
#ifndef _WIN32
  if (type == fs::file_type::character || type == fs::file_type::fifo) {
    stream_ = OpenStream(target, path);
    return;
  }
#endif
  staged_ = std::make_unique<StagedFile>(FromFsPath(path));
}

OutputFile::~OutputFile() {
  if (stream_) std::fclose(stream_);
}

bool OutputFile::Write(std::string_view bytes) {
  if (staged_) return staged_->Write(bytes);
  if (failure_ || !stream_) return false;
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size())
    failure_ = errno ? errno : EIO;
  return failure_ == 0;
}

void OutputFile::Commit() {
  // A staged file's failure names the file a link led to: the one not written.
  if (staged_) return staged_->Commit();
  if (!stream_) throw Error(CannotCreateFileText(target_, failure_ ? failure_ : EIO));
  errno = 0;
  if (!failure_ && std::fflush(stream_) != 0) failure_ = errno ? errno : EIO;
  errno = 0;
  if (std::fclose(stream_) != 0 && !failure_) failure_ = errno ? errno : EIO;
  stream_ = nullptr;
  if (failure_) throw Error(CannotCreateFileText(target_, failure_));
}

void WriteOutputFile(std::string_view target, std::string_view bytes) {
  OutputFile output(target);
  output.Write(bytes);
  output.Commit();
}

void CheckOutputFolder(std::string_view folder) {
  std::error_code ec;
  const fs::file_type type = fs::status(ToFsPath(folder), ec).type();
  if (type == fs::file_type::directory || type == fs::file_type::not_found) return;
  throw Error(CannotCreateFileText(folder, "It is not a folder."));
}

}  // namespace fabrion
