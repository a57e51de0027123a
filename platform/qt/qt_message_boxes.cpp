#include "platform/qt/qt_message_boxes.h"

#include <QApplication>
#include <QGridLayout>
#include <QSpacerItem>
#include <QMessageBox>
#include <memory>

#include "platform/qt/look.h"

namespace fabrion::qt {
namespace {

QString ApplicationTitle() {
  return QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size());
}

// A short text makes a box narrower than its title bar needs, and the window
// manager then cuts the title ("Firm… rion"): a spacer under the text keeps
// the box wide enough.
void KeepTitleInView(QMessageBox& box) {
  const int width = WidthForTitle(box.windowTitle());
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// A box over the active window. Its text is shown as it is: a quoted cell or
// name that looks like markup ("<b>10.0.0.300</b>") must reach the user with
// its tags.
std::unique_ptr<QMessageBox> MakeBox(QMessageBox::Icon icon, const QString& title,
                                     const std::string& text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok) {
  auto box = std::make_unique<QMessageBox>(icon, title, QString::fromStdString(text), buttons,
                                           QApplication::activeWindow());
  box->setTextFormat(Qt::PlainText);
  KeepTitleInView(*box);
  return box;
}

}  // namespace

void QtMessageBoxes::ShowMessage(const std::string& text) {
  MakeBox(QMessageBox::NoIcon, ApplicationTitle(), text)->exec();
}

void QtMessageBoxes::ShowError(const std::string& text) {
  MakeBox(QMessageBox::Critical, QStringLiteral("Error"), text)->exec();
}

void QtMessageBoxes::ShowGeneralError(const std::string& text) {
  MakeBox(QMessageBox::Critical, ApplicationTitle(), GeneralErrorText(text))->exec();
}

void QtMessageBoxes::ShowErrorDetails(const std::string& text, const std::string& details) {
  const auto box = MakeBox(QMessageBox::Critical, QStringLiteral("Error"), text);
  if (!details.empty()) box->setDetailedText(QString::fromStdString(details));
  box->exec();
}

bool QtMessageBoxes::AskYesNo(const std::string& text) {
  const auto box =
      MakeBox(QMessageBox::Question, ApplicationTitle(), text, QMessageBox::Yes | QMessageBox::No);
  box->setDefaultButton(QMessageBox::No);
  box->setEscapeButton(QMessageBox::No);
  return box->exec() == QMessageBox::Yes;
}

}  // namespace fabrion::qt
