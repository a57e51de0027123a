#pragma once
// The one exception type of the core: a file or document failure whose what()
// is the complete text the user is to read (operation and file included).
#include <stdexcept>
#include <string>

namespace fabrion {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// The system's description of an errno value ("Permission denied"); on
// Windows EBUSY reads "It is open in another program".
std::string SystemErrorText(int error_number);

#ifdef _WIN32
// The errno value nearest to a Windows error code (EIO for the rest), so that
// file failures read the same on every platform; a sharing violation is EBUSY.
int ErrnoOfWindowsError(unsigned long windowsError);
#endif

}  // namespace fabrion
