#include "platform/error.h"

#include <system_error>

namespace fabrion {

std::string SystemErrorText(int error_number) {
  return std::generic_category().message(error_number);
}

}  // namespace fabrion
