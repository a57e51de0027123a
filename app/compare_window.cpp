#include "app/compare_window.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/look.h"

namespace fabrion {

CompareWindow::CompareWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Compare with firmware");
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  qt::ApplyLook(this);
  resize(640, 360);

  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  text_->setStyleSheet("QPlainTextEdit { background: white; border: 1px solid rgb(190, 188, 172); }");
  close_ = qt::MakeFlatButton("Close", QStyle::SP_DialogCloseButton, this);
  close_->setFixedSize(80, 23);
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addLayout(buttons);
}

void CompareWindow::ShowText(const QString& text) {
  text_->setPlainText(text);
  text_->setFocus();
}

}  // namespace fabrion
