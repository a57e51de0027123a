#include "net/ping_dialog.h"

#include <QApplication>
#include <algorithm>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "platform/qt/look.h"

namespace fabrion {
namespace {

constexpr int kClientWidth = 250;
constexpr int kClientHeight = 98;
constexpr int kSignSide = 41;
constexpr int kSignPixels = 32;
constexpr int kMargin = 8;
constexpr int kLabelWidth = 185;
constexpr int kButtonWidth = 121;
constexpr int kButtonHeight = 23;

QLabel* MakeSign(QStyle::StandardPixmap picture, const char* name, QWidget* parent) {
  auto* sign = new QLabel(parent);
  sign->setObjectName(name);
  sign->setPixmap(QApplication::style()->standardIcon(picture).pixmap(kSignPixels, kSignPixels));
  sign->setAlignment(Qt::AlignCenter);
  sign->setGeometry(kMargin, kMargin, kSignSide, kSignSide);
  sign->hide();
  return sign;
}

}  // namespace

TFPing::TFPing(QWidget* parent) : QDialog(parent) {
  setObjectName("FPing");
  qt::MakeToolWindow(this, kClientWidth, kClientHeight);
  qt::ApplyLook(this);

  InformationImage = MakeSign(QStyle::SP_MessageBoxInformation, "InformationImage", this);
  WarningImage = MakeSign(QStyle::SP_MessageBoxWarning, "WarningImage", this);
  ErrorImage = MakeSign(QStyle::SP_MessageBoxCritical, "ErrorImage", this);

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setTextFormat(Qt::PlainText);
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Label1->setGeometry(kMargin + kSignSide + 8, kMargin, kLabelWidth, kSignSide);

  LbButton1 = qt::MakeFlatButton("OK", QStyle::SP_DialogOkButton, this);
  LbButton1->setObjectName("LbButton1");
  LbButton1->setGeometry((kClientWidth - kButtonWidth) / 2, kClientHeight - kButtonHeight - 12,
                         kButtonWidth, kButtonHeight);
  LbButton1->setDefault(true);
  connect(LbButton1, &QPushButton::clicked, this, &TFPing::LbButton1Click);
}

void TFPing::ShowPingResult(int kind, const QString& title, const QString& text) {
  QLabel* signs[] = {InformationImage, WarningImage, ErrorImage};
  for (QLabel* sign : signs) sign->hide();
  if (kind >= 0 && kind < 3) signs[kind]->show();
  Label1->setText(text);
  setWindowTitle(title);
  // Wide enough that the window manager shows the whole title.
  const int width = std::max(kClientWidth, qt::WidthForTitle(title));
  setFixedSize(width, kClientHeight);
  LbButton1->move((width - kButtonWidth) / 2, LbButton1->y());
}

void TFPing::LbButton1Click() { accept(); }

void TFPing::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  qt::CentreOnScreen(this);
}

}  // namespace fabrion
