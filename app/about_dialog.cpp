#include "app/about_dialog.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>

#include "app/application_icon.h"
#include "app/main_window.h"
#include "platform/qt/look.h"
#include "platform/shell.h"

namespace fabrion {
TFAbout2::TFAbout2(Services services, QWidget* parent) : QDialog(parent), services_(services) {
  setWindowTitle("About...");
  qt::MakeToolWindow(this, 391, 145);
  qt::ApplyLook(this);

  logo_ = new QLabel(this);
  logo_->setGeometry(12, 12, 81, 81);
  logo_->setPixmap(ApplicationPicture(81));
  logo_->setCursor(Qt::PointingHandCursor);
  logo_->installEventFilter(this);

  auto* heading = new QLabel("Software Fabrion", this);
  heading->setFont(qt::ProgramFont(10, true));
  heading->setGeometry(108, 10, 270, 18);
  auto* line = new QLabel("Gateway Modbus RTU Slave to TCP Master", this);
  line->setGeometry(108, 32, 270, 16);

  const char* rows[3][2] = {{"Software Code :", "KT30551"},
                            {"Version :", "2.002"},
                            {"Document Code :", "KD30551"}};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(rows[i][0], this);
    label->setGeometry(108, 54 + i * 16, 110, 16);
    auto* value = new QLabel(rows[i][1], this);
    value->setFont(qt::ProgramFont(8, true));
    value->setGeometry(220, 54 + i * 16, 150, 16);
  }

  link_ = new QLabel(QString("<a href=\"%1\" style=\"color: blue; text-decoration: underline\">"
                             "%1</a>")
                         .arg(kMakerUrl),
                     this);
  link_->setTextFormat(Qt::RichText);
  link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  link_->setCursor(Qt::PointingHandCursor);
  link_->setGeometry(12, 116, 250, 18);
  connect(link_, &QLabel::linkActivated, this, [this] { services_.shell.OpenUrl(kMakerUrl); });

  ok_ = qt::MakeFlatButton("OK", QStyle::SP_DialogOkButton, this);
  ok_->setGeometry(310, 112, 69, 23);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

void TFAbout2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) qt::CentreOnScreen(this);
}

bool TFAbout2::eventFilter(QObject* watched, QEvent* event) {
  if (watched == logo_ && event->type() == QEvent::MouseButtonRelease) {
    services_.shell.OpenUrl(kMakerUrl);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace fabrion
