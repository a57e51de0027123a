#pragma once
// The message boxes as modal QMessageBox windows, their texts plain.
#include "platform/message_boxes.h"

namespace fabrion::qt {

class QtMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowGeneralError(const std::string& text) override;
  void ShowErrorDetails(const std::string& text, const std::string& details) override;
  bool AskYesNo(const std::string& text) override;
};

}  // namespace fabrion::qt
