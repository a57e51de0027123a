#include "platform/qt/look.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace fabrion::qt {

QColor BackgroundColour() { return QColor(248, 247, 237); }
QColor TextColour() { return QColor(51, 51, 51); }

QFont ProgramFont(int points, bool bold) {
  static const QString family = [] {
    const QStringList installed = QFontDatabase::families();
    for (const QString& wanted : {QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")})
      if (installed.contains(wanted, Qt::CaseInsensitive)) return wanted;
    return QStringLiteral("Sans Serif");
  }();
  QFont font(family, points);
  font.setBold(bold);
  return font;
}

void ApplyLook(QWidget* window) {
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, BackgroundColour());
  palette.setColor(QPalette::Button, BackgroundColour());
  palette.setColor(QPalette::WindowText, TextColour());
  palette.setColor(QPalette::ButtonText, TextColour());
  palette.setColor(QPalette::Text, TextColour());
  window->setPalette(palette);
  window->setAutoFillBackground(true);
  window->setFont(ProgramFont());
}

void MakeToolWindow(QWidget* window, int clientWidth, int clientHeight) {
  window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  window->setFixedSize(clientWidth, clientHeight);
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QSize size = window->frameGeometry().size();
  window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void SetDefaultButton(QDialog* dialog, QPushButton* ok) {
  Q_ASSERT(ok->window() == dialog);
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) button->setAutoDefault(true);
  ok->setDefault(true);
}

QPushButton* MakeFlatButton(const QString& caption, QStyle::StandardPixmap picture,
                            QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setIcon(QApplication::style()->standardIcon(picture));
  button->setIconSize(QSize(14, 14));
  button->setCursor(Qt::PointingHandCursor);
  button->setStyleSheet(
      "QPushButton { border: 1px solid rgb(190, 188, 172); border-radius: 2px;"
      " background: rgb(248, 247, 237); color: rgb(51, 51, 51); padding: 1px 6px; }"
      "QPushButton:hover { background: rgb(222, 234, 246); border-color: rgb(120, 160, 200); }"
      "QPushButton:pressed { background: rgb(196, 216, 238); }"
      "QPushButton:focus { border-color: rgb(90, 130, 180); }"
      "QPushButton:disabled { color: rgb(160, 160, 150); }");
  return button;
}

}  // namespace fabrion::qt
