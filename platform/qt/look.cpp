#include "platform/qt/look.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

namespace {

// Margins a window manager may plausibly draw; anything else is a frame not
// yet reported (a window being mapped or made anew).
bool PlausibleFrame(const QMargins& m) {
  constexpr int kMost = 100;
  return !m.isNull() && m.left() >= 0 && m.top() >= 0 && m.right() >= 0 && m.bottom() >= 0 &&
         m.left() < kMost && m.top() < kMost && m.right() < kMost && m.bottom() < kMost;
}

QMargins ReportedFrame(const QWidget* window) {
  const QWindow* handle = window->windowHandle();
  return handle && handle->handle() ? handle->frameMargins() : QMargins();
}

}  // namespace

QMargins FrameMargins(const QWidget* window) {
  if (window->windowFlags() & Qt::FramelessWindowHint) return QMargins();
  if (const QMargins own = ReportedFrame(window); PlausibleFrame(own)) return own;
  for (const QWidget* other : QApplication::topLevelWidgets())
    if (other != window && other->isVisible())
      if (const QMargins frame = ReportedFrame(other); PlausibleFrame(frame)) return frame;
  return QMargins();
}

void MoveFrameTo(QWidget* window, QPoint topLeft) {
  // The client area is placed, which means the same before and after the
  // window system has reported the frame.
  const QMargins margins = FrameMargins(window);
  window->setGeometry(QRect(topLeft + QPoint(margins.left(), margins.top()), window->size()));
}

int WidthForTitle(const QString& title) {
  constexpr int kFrameButtonsRoom = 140;
  QFont titleFont = QApplication::font();
  titleFont.setBold(true);
  return QFontMetrics(titleFont).horizontalAdvance(title) + kFrameButtonsRoom;
}

QSize SizeWithinScreen(const QWidget* window, QSize wanted) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return wanted;
  const QMargins frame = FrameMargins(window);
  const QSize room = screen->availableGeometry().size().shrunkBy(frame);
  return wanted.boundedTo(room);
}

namespace {

class ScreenFit : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show && window && window->isWindow() &&
        window->minimumSize() != window->maximumSize()) {
      const QSize fit = SizeWithinScreen(window, window->size());
      if (fit != window->size()) window->resize(fit);
    }
    return false;
  }
};

}  // namespace

void KeepResizableWindowsOnScreen() { qApp->installEventFilter(new ScreenFit(qApp)); }

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize frame = window->size().grownBy(FrameMargins(window));
  MoveFrameTo(window, area.center() - QPoint(frame.width() / 2, frame.height() / 2));
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
