#pragma once
// The modal message boxes of the program: three with one "OK" button, and a
// question answered Yes or No.
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
  // Error box as ShowError, with details the user can unfold below the text
  // (a long list); empty details show the plain error box. Where nothing
  // unfolds (a command line), the details follow the text.
  virtual void ShowErrorDetails(const std::string& text, const std::string& details);
  // Question box: the application title, question icon, the text, "Yes" and
  // "No" with No the default (Escape and closing the box also answer No).
  // Where no one can answer (a command line), the answer is No.
  virtual bool AskYesNo(const std::string& text);
};

// The text as the general error box shows it: "." added unless the text is
// empty or its last character sorts at or below "." (".", "!", ",", a blank).
std::string GeneralErrorText(std::string text);

}  // namespace fabrion
