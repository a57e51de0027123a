#include "platform/message_boxes.h"

namespace fabrion {

void MessageBoxes::ShowErrorDetails(const std::string& text, const std::string& details) {
  ShowError(details.empty() ? text : text + "\n\n" + details);
}

bool MessageBoxes::AskYesNo(const std::string&) { return false; }

std::string GeneralErrorText(std::string text) {
  // In UTF-8 the last byte of a non-ASCII character is 0x80 or above, so it
  // sorts above "." as the character itself does.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

}  // namespace fabrion
