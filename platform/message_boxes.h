#pragma once
// The three modal message boxes of the program, each with one "OK" button.
#include <string>
#include <string_view>

namespace fabrion {

// Title of the application and of the plain and general error boxes.
inline constexpr std::string_view kApplicationTitle = "Firmware Fabrion";

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Plain box: the application title, no icon, the text.
  virtual void ShowMessage(const std::string& text) = 0;
  // Error box: title "Error", error icon, the text (field checks and the like).
  virtual void ShowError(const std::string& text) = 0;
  // General error box for an error that escaped a user action: the
  // application title, error icon, GeneralErrorText(text).
  virtual void ShowGeneralError(const std::string& text) = 0;
};

// The text as the general error box shows it: "." added unless the text is
// empty or its last character sorts at or below "." (".", "!", ",", a blank).
std::string GeneralErrorText(std::string text);

}  // namespace fabrion
