#include "platform/qt/qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>

namespace fabrion::qt {
namespace {

void Show(const QString& title, QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, title, QString::fromStdString(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace

void QtMessageBoxes::ShowMessage(const std::string& text) {
  Show(QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()),
       QMessageBox::NoIcon, text);
}

void QtMessageBoxes::ShowError(const std::string& text) {
  Show(QStringLiteral("Error"), QMessageBox::Critical, text);
}

void QtMessageBoxes::ShowGeneralError(const std::string& text) {
  Show(QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()),
       QMessageBox::Critical, GeneralErrorText(text));
}

void QtMessageBoxes::ShowErrorDetails(const std::string& text, const std::string& details) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  if (!details.empty()) box.setDetailedText(QString::fromStdString(details));
  box.exec();
}

bool QtMessageBoxes::AskYesNo(const std::string& text) {
  QMessageBox box(QMessageBox::Question,
                  QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace fabrion::qt
