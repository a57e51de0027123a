#pragma once
// "Compare with firmware": the differences between the project and a
// firmware or bank file, as read-only text the user can select and copy.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace fabrion {

class CompareWindow : public QDialog {
  Q_OBJECT
 public:
  explicit CompareWindow(QWidget* parent = nullptr);

  void ShowText(const QString& text);

  QPlainTextEdit* Text() const { return text_; }
  QPushButton* CloseButton() const { return close_; }

 private:
  QPlainTextEdit* text_;
  QPushButton* close_;
};

}  // namespace fabrion
