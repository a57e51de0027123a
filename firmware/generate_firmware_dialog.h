#pragma once
// "Generate Firmware": composes the new firmware file and starts the flash tool.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "documents/mapping_checks.h"

#include "platform/services.h"

class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace fabrion {

class MappingWarningsWindow;
class ProjectStore;
namespace qt {
class ProgressBarIndicator;
}

class TFModifyFileSx : public QDialog {
  Q_OBJECT
 public:
  TFModifyFileSx(ProjectStore& store, Services services, QWidget* parent = nullptr);
  ~TFModifyFileSx() override;

  // Each opening: the placement, the focus on the port list, COM1, an empty
  // bar, the values anew; the button is enabled only when the master file is
  // there and MASTER became the current folder.
  void FormShow();
  // "Execute update firmware": compose, then start the flash tool, but only
  // when the composition just run went to its end.
  void LbButton2Click();
  // Composes the firmware file; true when the composition ran to its end
  // and placed the bank's records (else it says the master has no
  // configuration area). Throws Error when a file cannot be created or opened.
  bool ExeModFileSxClick();
  // Starts the flash tool with the composed file and the chosen port.
  void ExeUpdateFirClick();
  void LbButton1Click();

  // The composed file: project folder + output name (empty before FormShow succeeded).
  std::string OutputPath() const;
  qt::ProgressBarIndicator& Progress() { return *progress_; }

  QComboBox* cbport = nullptr;
  QPushButton* LbButton2 = nullptr;
  QProgressBar* Avanzamento = nullptr;
  QFrame* Shape1 = nullptr;
  QPushButton* LbButton1 = nullptr;
  QLabel* plan = nullptr;      // the project, the master file and the output file
  QLabel* outcome = nullptr;   // what the last Execute came to
  QLabel* warnings = nullptr;  // how many mapping warnings the table has, with "Show…"

 protected:
  void showEvent(QShowEvent* event) override;
  // Enter and Escape do nothing here: neither closes the dialog nor presses a button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void PlaceOnScreen();
  // The upper part: what Execute is about to do, and the table's warnings.
  void ShowPlan();
  void ShowOutcome(const std::string& text);
  // "New_ravelin.sx written (N bytes)".
  std::string WrittenText() const;

  ProjectStore& store_;
  Services services_;
  std::unique_ptr<qt::ProgressBarIndicator> progress_;
  bool openedBefore_ = false;
  int bank_ = 1;
  std::string masterName_;
  std::string outputName_;
  std::string stopReason_;  // why the last composition stopped, for the line under the buttons
  std::string projectFolder_;
  std::string binFolder_;
  MappingWarningsWindow* warningsWindow_ = nullptr;
  std::vector<MappingWarning> warnings_;
};

}  // namespace fabrion
