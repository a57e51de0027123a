#include "platform/process_start.h"

#include <array>
#include <cstdint>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fabrion {
namespace {

// Windows-1252 characters of the bytes 0x80 to 0x9F (0 where the code page has none).
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t Windows1252Character(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    char16_t c = kWindows1252High[byte - 0x80];
    return c != 0 ? c : char16_t(byte);
  }
  return char16_t(byte);
}

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when none.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::u16string ParameterTextUtf16(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      text.push_back(char16_t(lead));
      ++i;
      continue;
    }
    char32_t code = 0;
    const std::size_t length = DecodeUtf8(bytes, i, code);
    if (length == 0) {
      text.push_back(Windows1252Character(lead));
      ++i;
    } else if (code >= 0x10000) {
      code -= 0x10000;
      text.push_back(char16_t(0xD800 + (code >> 10)));
      text.push_back(char16_t(0xDC00 + (code & 0x3FF)));
      i += length;
    } else {
      text.push_back(char16_t(code));
      i += length;
    }
  }
  return text;
}

#ifdef _WIN32

bool StartDetachedProgram(const std::string& program, const std::string& parameter) {
  const std::u16string file = ParameterTextUtf16(program);
  const std::u16string parameters = ParameterTextUtf16(parameter);
  // The default verb, no working folder of its own, shown normally.
  const HINSTANCE result = ShellExecuteW(nullptr, nullptr, reinterpret_cast<LPCWSTR>(file.c_str()),
                                         reinterpret_cast<LPCWSTR>(parameters.c_str()), nullptr,
                                         SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

#else

namespace {

// Writes all of the bytes, retrying after signals; for use between fork and exec.
void WriteAll(int fd, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace

bool StartDetachedProgram(const std::string& program, const std::string& parameter) {
  if (program.empty()) return false;
  // Everything the children need is prepared before fork: between fork and
  // exec only async-signal-safe calls are made.
  char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(parameter.c_str()),
                        nullptr};

  // The grandchild reports a failed exec through this pipe; a successful
  // exec closes it (close-on-exec) and the parent reads end of file.
  int report[2];
#ifdef __linux__
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
#else
  if (::pipe(report) != 0) return false;
  ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
#endif

  const pid_t intermediate = ::fork();
  if (intermediate < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (intermediate == 0) {
    ::close(report[0]);
    ::setsid();  // out of the program's session: no terminal signals reach the tool
    const pid_t tool = ::fork();
    if (tool < 0) {
      const int error = errno;
      WriteAll(report[1], &error, sizeof error);
      ::_exit(127);
    }
    if (tool == 0) {
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::signal(SIGPIPE, SIG_DFL);
      ::execv(program.c_str(), argv);
      const int error = errno;
      WriteAll(report[1], &error, sizeof error);
      ::_exit(127);
    }
    // The tool is left to init, which reaps it when it ends.
    ::_exit(0);
  }

  ::close(report[1]);
  int status = 0;
  while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  return got == 0;
}

#endif

}  // namespace fabrion
