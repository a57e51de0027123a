#pragma once
// "New project": asks for a name and creates the project folder below the
// destination (the PROJECTS folder).
#include <QDialog>
#include <functional>
#include <string>

#include "platform/services.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace fabrion {

class ProjectStore;

class TFsaveproj : public QDialog {
  Q_OBJECT
 public:
  TFsaveproj(ProjectStore& store, Services services, QWidget* parent = nullptr);

  void SetDestination(const std::string& folder) { destination_ = folder; }
  // Runs after the folders of a new project exist and it is current: writes
  // its default documents; false when that failed (the error was shown).
  void SetProjectCreatedHook(std::function<bool()> hook) { onCreated_ = std::move(hook); }

  void FormShow();
  void BitBtn1Click();
  void BitBtn2Click();

  QLineEdit* NameField() const { return name_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool MayClose() const { return mayClose_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
  void reject() override;

 private:
  ProjectStore& store_;
  Services services_;
  std::function<bool()> onCreated_;
  std::string destination_;
  std::string typedName_;
  bool mayClose_ = false;
  QLabel* label_;
  QLineEdit* name_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace fabrion
