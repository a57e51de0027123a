#include "project/new_project_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "platform/message_boxes.h"
#include "platform/qt/look.h"
#include "project/project_store.h"

namespace fabrion {

TFsaveproj::TFsaveproj(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setWindowTitle("New project");
  qt::MakeToolWindow(this, 319, 91);
  qt::ApplyLook(this);

  label_ = new QLabel("Project name", this);
  label_->setGeometry(11, 8, 297, 16);
  name_ = new QLineEdit(this);
  name_->setGeometry(11, 26, 297, 21);
  name_->setFrame(false);
  name_->setStyleSheet("QLineEdit { background: white; border: 1px solid rgb(190, 188, 172); }");
  ok_ = qt::MakeFlatButton("OK", QStyle::SP_DialogOkButton, this);
  ok_->setGeometry(160, 58, 69, 23);
  cancel_ = qt::MakeFlatButton("Cancel", QStyle::SP_DialogCancelButton, this);
  cancel_->setGeometry(239, 58, 69, 23);
  qt::SetDefaultButton(this, ok_);

  connect(ok_, &QPushButton::clicked, this, &TFsaveproj::BitBtn1Click);
  connect(cancel_, &QPushButton::clicked, this, &TFsaveproj::BitBtn2Click);
}

void TFsaveproj::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // the window system re-showing it is no opening
  qt::CentreOnScreen(this);
  FormShow();
}

void TFsaveproj::FormShow() {
  setWindowTitle("New project");
  name_->clear();
  typedName_.clear();
  label_->show();
  name_->setFocus();
}

void TFsaveproj::BitBtn1Click() {
  typedName_ = name_->text().toStdString();
  NewProjectAttempt attempt = store_.CreateProject(destination_, typedName_);
  for (const std::string& message : attempt.messages) services_.messages.ShowMessage(message);
  mayClose_ = attempt.mayClose;
  if (attempt.created && onCreated_ && !onCreated_()) mayClose_ = false;
  if (mayClose_) accept();
}

void TFsaveproj::BitBtn2Click() {
  mayClose_ = true;
  QDialog::reject();
}

void TFsaveproj::reject() { BitBtn2Click(); }

void TFsaveproj::closeEvent(QCloseEvent* event) {
  if (mayClose_)
    event->accept();
  else
    event->ignore();
}

}  // namespace fabrion
