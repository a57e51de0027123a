#include "platform/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/error.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(std::string_view path, int error_number) {
  throw Error(CannotCreateFileText(path, error_number));
}

int ErrorNumberOf(const std::error_code& ec) {
  return ec.category() == std::generic_category() || ec.category() == std::system_category()
             ? ec.value()
             : EIO;
}

fs::path TemporaryBeside(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  fs::path name = target.filename();
  name += ".tmp" + std::to_string(stamp % 1000000007) + "-" + std::to_string(counter++);
  return target.parent_path() / name;
}

std::FILE* OpenForWriting(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

// Writes, flushes and closes; returns 0 or the errno of the first failure.
int WriteAndClose(std::FILE* file, std::string_view bytes) {
  int failure = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    failure = errno ? errno : EIO;
  if (!failure && std::fflush(file) != 0) failure = errno ? errno : EIO;
#ifndef _WIN32
  if (!failure && ::fsync(fileno(file)) != 0 && errno != EINVAL) failure = errno;
#endif
  if (std::fclose(file) != 0 && !failure) failure = errno ? errno : EIO;
  return failure;
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
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) Fail(path, ENOENT);
  return status;
}

}  // namespace

std::string CannotCreateFileText(std::string_view path, int error_number) {
  std::string text = "Cannot create file \"";
  text += path;
  text += "\". ";
  text += SystemErrorText(error_number);
  return text;
}

void WriteFileAtomically(std::string_view path, std::string_view bytes) {
  const fs::path target = ToFsPath(path);
  std::error_code ec;
  const fs::file_status status = CheckWritable(path, target);
  const bool exists = fs::exists(status);

  const fs::path temporary = TemporaryBeside(target);
  errno = 0;
  std::FILE* file = OpenForWriting(temporary);
  if (!file) Fail(path, errno ? errno : EIO);
  if (int failure = WriteAndClose(file, bytes)) {
    fs::remove(temporary, ec);
    Fail(path, failure);
  }
  if (exists) fs::permissions(temporary, status.permissions(), ec);
  fs::rename(temporary, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    Fail(path, ErrorNumberOf(ec));
  }
}

StagedFile::StagedFile(std::string_view target) : target_(target) {
  const fs::path path = ToFsPath(target);
  const fs::file_status status = CheckWritable(target, path);
  targetExisted_ = fs::exists(status);
  targetPermissions_ = status.permissions();
  temporary_ = TemporaryBeside(path);
  errno = 0;
  file_ = OpenForWriting(temporary_);
  if (!file_) Fail(target, errno ? errno : EIO);
}

StagedFile::~StagedFile() {
  if (file_) std::fclose(file_);
  if (!temporary_.empty()) {
    std::error_code ignored;
    fs::remove(temporary_, ignored);
  }
}

bool StagedFile::Write(std::string_view bytes) {
  if (failure_ || !file_) return false;
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    failure_ = errno ? errno : EIO;
  return failure_ == 0;
}

void StagedFile::Commit() {
  if (!file_) Fail(target_, failure_ ? failure_ : EIO);
  errno = 0;
  if (std::fclose(file_) != 0 && !failure_) failure_ = errno ? errno : EIO;
  file_ = nullptr;
  if (failure_) Fail(target_, failure_);
  std::error_code ec;
  if (targetExisted_) fs::permissions(temporary_, targetPermissions_, ec);
  fs::rename(temporary_, ToFsPath(target_), ec);
  if (ec) Fail(target_, ErrorNumberOf(ec));
  temporary_.clear();
}

}  // namespace fabrion
