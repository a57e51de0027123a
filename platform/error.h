#pragma once
// The one exception type of the core: a file or document failure whose what()
// is the complete text the user is to read (operation and file included).
#include <stdexcept>
#include <string>
#include <string_view>

namespace fabrion {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// The system's description of an errno value ("Permission denied"); on
// Windows EBUSY reads "It is open in another program".
std::string SystemErrorText(int error_number);

// The texts of a failed file operation, "Cannot <operation> file "<path>".
// <why>", where why is the system's description of error_number or a
// sentence of the program's own.
std::string CannotOpenFileText(std::string_view path, int error_number);
std::string CannotOpenFileText(std::string_view path, std::string_view why);
// A read that left errno at 0 reads as EIO.
std::string CannotReadFileText(std::string_view path, int error_number);
std::string CannotCreateFileText(std::string_view path, int error_number);
// "Not enough memory to read "<path>"": a file too large for the memory left.
std::string NotEnoughMemoryText(std::string_view path);
std::string CannotCreateFileText(std::string_view path, std::string_view why);

#ifdef _WIN32
// The errno value nearest to a Windows error code (EIO for the rest), so that
// file failures read the same on every platform; a sharing violation is EBUSY.
int ErrnoOfWindowsError(unsigned long windowsError);
#endif

}  // namespace fabrion
