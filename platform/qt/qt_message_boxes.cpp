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

}  // namespace fabrion::qt
