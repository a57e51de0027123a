#pragma once
// The one look all windows share: warm light background, dark grey
// Verdana 8 pt text (DejaVu Sans where Verdana is not installed), flat
// colour-highlighting buttons with a small picture left of the caption.
#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPoint>
#include <QSize>
#include <QPushButton>
#include <QStyle>

class QDialog;
class QWidget;

namespace fabrion::qt {

QColor BackgroundColour();  // RGB (248, 247, 237)
QColor TextColour();        // RGB (51, 51, 51)

// Verdana at the given size when installed, else the closest sans-serif.
QFont ProgramFont(int points = 8, bool bold = false);

// Background, text colour and font of the program on window and its children.
void ApplyLook(QWidget* window);

// Fixed window with a small title bar and no frame buttons (the tool-window look).
void MakeToolWindow(QWidget* window, int clientWidth, int clientHeight);

// The frame the window manager draws around window (none offscreen). Until
// the window system has reported it, the frame of another visible window of
// the program stands in: one window manager draws them all.
QMargins FrameMargins(const QWidget* window);

// Places window so that the top left corner of its frame is at topLeft.
void MoveFrameTo(QWidget* window, QPoint topLeft);

// The client width a window needs for the window manager to show title whole
// in a bold title font, beside the frame's picture and buttons.
int WidthForTitle(const QString& title);

// The client size wanted, cut to what the available area of window's screen
// holds with the window manager's frame around it.
QSize SizeWithinScreen(const QWidget* window, QSize wanted);

// From now on every resizable window the program shows is cut to the screen
// it opens on (at 2x scaling a 1280 x 1024 screen holds 640 x 512), so that
// its buttons stay reachable; fixed windows see to it themselves.
void KeepResizableWindowsOnScreen();

// Places window, frame included, in the middle of the screen it is on (or
// the primary screen).
void CentreOnScreen(QWidget* window);

// Makes ok the button that Enter presses from anywhere in dialog for the
// dialog's whole life; a button that holds the keyboard focus takes Enter
// while it has it. Call it once the buttons are inside the dialog: a button
// made default before that is never the dialog's own.
void SetDefaultButton(QDialog* dialog, QPushButton* ok);

// A flat button that highlights under the mouse, with a standard picture.
QPushButton* MakeFlatButton(const QString& caption, QStyle::StandardPixmap picture,
                            QWidget* parent);

}  // namespace fabrion::qt
