#include "platform/file_open.h"

#include <new>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/error.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Refuse(std::string_view path, const std::string& why) {
  throw Error(CannotOpenFileText(path, why));
}

[[noreturn]] void FailToOpen(std::string_view path, int errorNumber) {
  Refuse(path, SystemErrorText(errorNumber ? errorNumber : EIO));
}

std::string NotRegular(const char* kind) {
  return std::string("It is ") + kind + ", not a regular file";
}

// Why a file of this type is not read; empty for a regular file.
std::string WhyNotRead(fs::file_type type) {
  switch (type) {
    case fs::file_type::regular: return {};
    case fs::file_type::directory: return SystemErrorText(EISDIR);
    case fs::file_type::fifo: return NotRegular("a FIFO");
    case fs::file_type::character:
    case fs::file_type::block: return NotRegular("a device");
    case fs::file_type::socket: return NotRegular("a socket");
    default: return "It is not a regular file";
  }
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

#ifdef _WIN32

std::FILE* FileOfHandle(HANDLE handle, int flags, const char* mode) {
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, mode);
  if (!file) _close(descriptor);
  return file;
}

std::uint64_t SizeOf(std::FILE* file) {
  struct _stat64 status;
  return _fstat64(_fileno(file), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

#else

fs::file_type TypeOf(mode_t mode) {
  if (S_ISREG(mode)) return fs::file_type::regular;
  if (S_ISDIR(mode)) return fs::file_type::directory;
  if (S_ISFIFO(mode)) return fs::file_type::fifo;
  if (S_ISCHR(mode)) return fs::file_type::character;
  if (S_ISBLK(mode)) return fs::file_type::block;
  if (S_ISSOCK(mode)) return fs::file_type::socket;
  return fs::file_type::unknown;
}

std::uint64_t SizeOf(std::FILE* file) {
  struct stat status;
  return fstat(fileno(file), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

#endif

}  // namespace

std::FILE* OpenRegularFile(std::string_view path) {
  const fs::path file = ToFsPath(path);
  // A look first spares a device even the opening; the opened handle decides.
  std::error_code ec;
  const fs::file_status seen = fs::status(file, ec);
  if (!ec && fs::exists(seen)) {
    if (std::string why = WhyNotRead(seen.type()); !why.empty()) Refuse(path, why);
  }
#ifdef _WIN32
  const HANDLE handle =
      CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) FailToOpen(path, ErrnoOfWindowsError(GetLastError()));
  std::string why;
  const DWORD type = GetFileType(handle);
  BY_HANDLE_FILE_INFORMATION information;
  if (type == FILE_TYPE_PIPE)
    why = NotRegular("a pipe");
  else if (type != FILE_TYPE_DISK)
    why = NotRegular("a device");
  else if (!GetFileInformationByHandle(handle, &information) ||
           (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    why = WhyNotRead(fs::file_type::directory);
  if (!why.empty()) {
    CloseHandle(handle);
    Refuse(path, why);
  }
  std::FILE* opened = FileOfHandle(handle, _O_RDONLY | _O_BINARY, "rb");
  if (!opened) FailToOpen(path, errno);
  return opened;
#else
  // Without O_NONBLOCK the opening of a FIFO would wait for a writer.
  const int descriptor = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) FailToOpen(path, errno);
  struct stat status;
  if (fstat(descriptor, &status) != 0) {
    const int failure = errno;
    close(descriptor);
    FailToOpen(path, failure);
  }
  if (std::string why = WhyNotRead(TypeOf(status.st_mode)); !why.empty()) {
    close(descriptor);
    Refuse(path, why);
  }
  const int flags = fcntl(descriptor, F_GETFL);
  if (flags >= 0) fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* opened = fdopen(descriptor, "rb");
  if (!opened) {
    const int failure = errno;
    close(descriptor);
    FailToOpen(path, failure);
  }
  return opened;
#endif
}

std::string ReadRegularFile(std::string_view path, std::uint64_t maxBytes) {
  const std::unique_ptr<std::FILE, FileCloser> file(OpenRegularFile(path));
  const auto tooLarge = [&](std::uint64_t size) {
    Refuse(path, "It is larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MiB (" +
                     std::to_string(size) + " bytes)");
  };
  const std::uint64_t size = SizeOf(file.get());
  if (size > maxBytes) tooLarge(size);

  std::string bytes;
  try {
    bytes.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    for (;;) {
      errno = 0;
      const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
      if (got == 0) break;
      // The file may have grown since its size was read.
      if (bytes.size() + got > maxBytes) tooLarge(bytes.size() + got);
      bytes.append(chunk, got);
    }
  } catch (const std::bad_alloc&) {
    throw Error(NotEnoughMemoryText(path));
  }
  if (std::ferror(file.get()))
    throw Error(CannotReadFileText(path, errno));
  return bytes;
}

std::FILE* CreateNewFile(std::string_view path) {
  const fs::path file = ToFsPath(path);
#ifdef _WIN32
  // No delete sharing: while it is open nobody else removes or renames it.
  const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoOfWindowsError(GetLastError());
    return nullptr;
  }
  return FileOfHandle(handle, _O_WRONLY | _O_BINARY, "wb");
#else
  // O_EXCL refuses whatever is there; a link at path is never followed.
  const int descriptor =
      open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* created = fdopen(descriptor, "wb");
  if (!created) {
    const int failure = errno;
    close(descriptor);
    unlink(file.c_str());
    errno = failure;
  }
  return created;
#endif
}

}  // namespace fabrion
