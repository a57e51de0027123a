#include "platform/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/hex_text.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(std::string_view path, int error_number) {
  throw Error(CannotCreateFileText(path, error_number));
}

// A temporary is named "<target's name>.fabrion-<8 hex digits>.tmp", so a
// person can tell what it is and a later write of the same target can find
// what a killed write left behind, without touching any other file.
constexpr std::string_view kTemporaryMark = ".fabrion-";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr std::size_t kTemporaryIdDigits = 8;

std::uint32_t NextTemporaryId() {
  static std::atomic<std::uint64_t> state{[] {
    std::random_device random;
    return (std::uint64_t{random()} << 32) ^ random() ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }()};
  // splitmix64: distinct ids for the steps of one state.
  std::uint64_t z = state.fetch_add(0x9E3779B97F4A7C15ull) + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return static_cast<std::uint32_t>(z ^ (z >> 31));
}

std::string TemporaryName(const std::string& targetName, std::uint32_t id) {
  std::string name = targetName + std::string(kTemporaryMark);
  AppendHex(name, id, kTemporaryIdDigits, HexCase::kLower);
  return name + std::string(kTemporaryEnd);
}

bool IsTemporaryOf(const std::string& name, const std::string& targetName) {
  const std::size_t size =
      targetName.size() + kTemporaryMark.size() + kTemporaryIdDigits + kTemporaryEnd.size();
  if (name.size() != size || !name.starts_with(targetName)) return false;
  std::string_view rest = std::string_view(name).substr(targetName.size());
  if (!rest.starts_with(kTemporaryMark) || !rest.ends_with(kTemporaryEnd)) return false;
  for (char c : rest.substr(kTemporaryMark.size(), kTemporaryIdDigits))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

fs::path FolderOf(const fs::path& target) {
  return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

// Fails unless path may be written: an existing folder or read-only file
// and a missing parent folder fail. Returns the status of the target.
fs::file_status CheckWritable(std::string_view path, const fs::path& target) {
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  if (fs::exists(status)) {
    if (fs::is_directory(status)) Fail(path, EISDIR);
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) Fail(path, EACCES);
#ifndef _WIN32
    if (::access(target.c_str(), W_OK) != 0) Fail(path, errno);
#endif
  }
  if (!fs::is_directory(FolderOf(target), ec)) Fail(path, ENOENT);
  return status;
}

// Removes one leftover temporary unless its write is still going on: a live
// write holds its temporary locked (open without delete sharing on Windows).
void RemoveIfAbandoned(const fs::path& candidate) {
  std::error_code ec;
  if (fs::symlink_status(candidate, ec).type() != fs::file_type::regular) return;
#ifdef _WIN32
  DeleteFileW(candidate.c_str());
#else
  const int descriptor = open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return;
  struct stat opened, named;
  if (flock(descriptor, LOCK_EX | LOCK_NB) == 0 && fstat(descriptor, &opened) == 0 &&
      S_ISREG(opened.st_mode) && lstat(candidate.c_str(), &named) == 0 &&
      opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
    unlink(candidate.c_str());
  close(descriptor);
#endif
}

#ifdef _WIN32
// Why target could not be replaced: EBUSY when another program holds it open
// without letting it be deleted (Windows then refuses the rename with "access
// denied"), else the errno of the rename's own failure.
int ReplaceFailure(const fs::path& target, DWORD error) {
  if (error == ERROR_ACCESS_DENIED) {
    const HANDLE probe =
        CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE)
      CloseHandle(probe);
    else if (GetLastError() == ERROR_SHARING_VIOLATION)
      error = ERROR_SHARING_VIOLATION;
  }
  return ErrnoOfWindowsError(error);
}
#endif

// Removes what killed writes of target left in its folder.
void RemoveAbandonedTemporaries(const fs::path& target) {
  const std::string targetName = FromFsPath(target.filename());
  std::vector<fs::path> leftovers;
  std::error_code ec;
  for (fs::directory_iterator it(FolderOf(target), ec), end; !ec && it != end; it.increment(ec))
    if (IsTemporaryOf(FromFsPath(it->path().filename()), targetName))
      leftovers.push_back(it->path());
  for (const fs::path& leftover : leftovers) RemoveIfAbandoned(leftover);
}

}  // namespace

// The temporary of one write: created new beside the target, held so that no
// other write's cleaning removes it, and renamed over the target while still
// held, so there is no moment at which it is unguarded under its own name.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile() { Discard(); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // 0 or the errno of the failure.
  int Create(const fs::path& target) {
    const std::string targetName = FromFsPath(target.filename());
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = FolderOf(target) / ToFsPath(TemporaryName(targetName, NextTemporaryId()));
      errno = 0;
      file_ = CreateNewFile(FromFsPath(path_));
      if (!file_) {
        if (errno == EEXIST) continue;
        return errno ? errno : EIO;
      }
#ifndef _WIN32
      // Locked, then checked: a cleaning that took the new file in the moment
      // before the lock has removed it, and another name is tried. (On
      // Windows the file is held open without delete sharing from the start.)
      const int descriptor = fileno(file_);
      struct stat opened, named;
      if ((flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) ||
          fstat(descriptor, &opened) != 0 || lstat(path_.c_str(), &named) != 0 ||
          opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
        std::fclose(file_);
        file_ = nullptr;
        continue;
      }
#endif
      return 0;
    }
    return EEXIST;
  }

  std::FILE* file() const { return file_; }

  // Flushes the bytes (to the disk too when durable), gives the temporary the
  // permissions of the target it replaces and renames it over target; 0 or
  // the errno.
  int CommitTo(const fs::path& target, std::optional<fs::perms> permissions, bool durable) {
    errno = 0;
    if (std::fflush(file_) != 0) return errno ? errno : EIO;
#ifdef _WIN32
    (void)permissions;  // a writable target has no read-only attribute to keep
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_)));
    if (durable && !FlushFileBuffers(handle)) return ErrnoOfWindowsError(GetLastError());
    const std::wstring to = fs::absolute(target).wstring();
    const std::size_t bytes = to.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::copy(to.begin(), to.end(), info->FileName);
    if (!SetFileInformationByHandle(handle, FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
      return ReplaceFailure(target, GetLastError());
#else
    const int descriptor = fileno(file_);
    if (durable && fsync(descriptor) != 0 && errno != EINVAL) return errno;
    if (permissions)
      fchmod(descriptor, static_cast<mode_t>(*permissions & fs::perms::mask));
    if (std::rename(path_.c_str(), target.c_str()) != 0) return errno;
#endif
    path_.clear();
    const int closed = std::fclose(file_);
    file_ = nullptr;
    return closed == 0 ? 0 : (errno ? errno : EIO);
  }

  // Closes and removes the temporary unless it was committed.
  void Discard() {
    if (!file_) return;
#ifdef _WIN32
    // Marked for deletion while still held: removed as it is closed.
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_))),
                               FileDispositionInfo, &disposition, sizeof disposition);
#else
    Remove();
#endif
    std::fclose(file_);
    file_ = nullptr;
    path_.clear();
  }

 private:
  void Remove() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove(path_, ignored);
  }

  fs::path path_;
  std::FILE* file_ = nullptr;
};

void WriteFileAtomically(std::string_view path, std::string_view bytes) {
  StagedFile staged(path, /*durable=*/true);
  staged.Write(bytes);
  staged.Commit();
}

StagedFile::StagedFile(std::string_view target, bool durable)
    : target_(target), temporary_(std::make_unique<TemporaryFile>()), durable_(durable) {
  const fs::path path = ToFsPath(target);
  const fs::file_status status = CheckWritable(target, path);
  if (fs::exists(status)) targetPermissions_ = status.permissions();
  RemoveAbandonedTemporaries(path);
  if (int failure = temporary_->Create(path)) Fail(target, failure);
}

StagedFile::~StagedFile() = default;

bool StagedFile::Write(std::string_view bytes) {
  std::FILE* file = temporary_->file();
  if (failure_ || !file) return false;
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    failure_ = errno ? errno : EIO;
  return failure_ == 0;
}

void StagedFile::Commit() {
  if (!temporary_->file()) Fail(target_, failure_ ? failure_ : EIO);
  if (!failure_) failure_ = temporary_->CommitTo(ToFsPath(target_), targetPermissions_, durable_);
  if (failure_) {
    temporary_->Discard();
    Fail(target_, failure_);
  }
}

}  // namespace fabrion
