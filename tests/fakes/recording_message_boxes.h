#pragma once
// Records every message box instead of showing it.
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace fabrion::test {

struct ShownMessage {
  enum Kind { Plain, Error, GeneralError } kind;
  std::string text;  // as the box would show it (general errors with their ".")
  bool operator==(const ShownMessage&) const = default;
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back({ShownMessage::Plain, text}); }
  void ShowError(const std::string& text) override { shown.push_back({ShownMessage::Error, text}); }
  void ShowGeneralError(const std::string& text) override {
    shown.push_back({ShownMessage::GeneralError, GeneralErrorText(text)});
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : shown) texts.push_back(m.text);
    return texts;
  }
  void Clear() { shown.clear(); }
  std::vector<ShownMessage> shown;
};

}  // namespace fabrion::test
