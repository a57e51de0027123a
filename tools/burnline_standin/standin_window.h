#pragma once
// The stand-in flash tool's one window: what it was asked to do, the checks
// of the firmware file and the configuration inside it.
#include <QWidget>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace fabrion {

// The sentence that says what this program is; the install step also finds
// it in the executable to tell the stand-in from the real tool.
inline constexpr const char* kStandinName = "Fabrion stand-in flash tool";

// The report of the stand-in for one parameter string, and whether the
// call and the file passed every check.
struct StandinReport {
  std::string port;     // "COM3", or empty when the parameter string was unreadable
  std::string file;     // the firmware file's path as passed
  std::string verdict;  // one sentence
  std::string details;  // the checks and the image in words
  bool passed = false;
};
StandinReport MakeStandinReport(const std::string& parameters);

class StandinWindow : public QWidget {
  Q_OBJECT
 public:
  explicit StandinWindow(const StandinReport& report, QWidget* parent = nullptr);

 private:
  QLabel* port_;
  QLabel* file_;
  QLabel* verdict_;
  QPlainTextEdit* details_;
  QPushButton* close_;
};

}  // namespace fabrion
