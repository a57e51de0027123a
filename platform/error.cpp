#include "platform/error.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fabrion {

std::string SystemErrorText(int error_number) {
#ifdef _WIN32
  // A sharing violation (see ErrnoOfWindowsError): the user can close the other program.
  if (error_number == EBUSY) return "It is open in another program";
#endif
  return std::generic_category().message(error_number);
}

namespace {

std::string FileErrorText(std::string_view operation, std::string_view path, std::string_view why) {
  std::string text = "Cannot ";
  text += operation;
  text += " file \"";
  text += path;
  text += "\". ";
  text += why;
  return text;
}

}  // namespace

std::string CannotOpenFileText(std::string_view path, int error_number) {
  return FileErrorText("open", path, SystemErrorText(error_number));
}

std::string CannotOpenFileText(std::string_view path, std::string_view why) {
  return FileErrorText("open", path, why);
}

std::string CannotReadFileText(std::string_view path, int error_number) {
  return FileErrorText("read", path, SystemErrorText(error_number ? error_number : EIO));
}

std::string NotEnoughMemoryText(std::string_view path) {
  return "Not enough memory to read \"" + std::string(path) + "\"";
}

std::string CannotCreateFileText(std::string_view path, int error_number) {
  return FileErrorText("create", path, SystemErrorText(error_number));
}

std::string CannotCreateFileText(std::string_view path, std::string_view why) {
  return FileErrorText("create", path, why);
}

#ifdef _WIN32
int ErrnoOfWindowsError(unsigned long windowsError) {
  switch (windowsError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}
#endif

}  // namespace fabrion
