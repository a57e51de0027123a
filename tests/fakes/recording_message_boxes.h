#pragma once
// Records every message box instead of showing it; questions are answered
// from a queue (No when it is empty).
#include <deque>
#include <string>
#include <vector>

#include "platform/message_boxes.h"

namespace fabrion::test {

struct ShownMessage {
  enum Kind { Plain, Error, GeneralError, Question } kind;
  std::string text;  // as the box would show it (general errors with their ".";
                     // an error with details followed by them)
  bool operator==(const ShownMessage&) const = default;
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back({ShownMessage::Plain, text}); }
  void ShowError(const std::string& text) override { shown.push_back({ShownMessage::Error, text}); }
  void ShowGeneralError(const std::string& text) override {
    shown.push_back({ShownMessage::GeneralError, GeneralErrorText(text)});
  }
  bool AskYesNo(const std::string& text) override {
    shown.push_back({ShownMessage::Question, text});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : shown) texts.push_back(m.text);
    return texts;
  }
  void Clear() { shown.clear(); }
  std::vector<ShownMessage> shown;
  std::deque<bool> answers;  // the answers to the next questions
};

}  // namespace fabrion::test
