// The message boxes as the user sees them: title, icon, buttons, and the text
// exactly as given, markup-like characters included.
#include "platform/qt/qt_message_boxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "widget_test_registry.h"

namespace fabrion::qt {

// A message quoting a table cell that looks like markup.
constexpr const char* kQuoted = "Row 3: <b>10.0.0.300</b> & <i>x</i> is no address";

class QtMessageBoxesTest : public QObject {
  Q_OBJECT
 private slots:
  void showsTheTextPlainUnderItsTitle_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("buttons");
    const int critical = QMessageBox::Critical;
    QTest::newRow("plain") << 0 << "Firmware Fabrion" << int(QMessageBox::NoIcon) << kQuoted << 1;
    QTest::newRow("error") << 1 << "Error" << critical << kQuoted << 1;
    QTest::newRow("general error") << 2 << "Firmware Fabrion" << critical << QString(kQuoted) + "." << 1;
    QTest::newRow("error with details") << 3 << "Error" << critical << kQuoted << 2;  // and "Show Details..."
    QTest::newRow("question") << 4 << "Firmware Fabrion" << int(QMessageBox::Question) << kQuoted << 2;
  }
  void showsTheTextPlainUnderItsTitle() {
    QFETCH(int, box);
    QFETCH(QString, title);
    QFETCH(int, icon);
    QFETCH(QString, shown);
    QFETCH(int, buttons);
    QtMessageBoxes boxes;
    // What the box showed, read while it is open and compared once it closed.
    struct Shown {
      QString title, text;
      int icon = -1, buttons = 0;
      Qt::TextFormat format = Qt::AutoText;
    } seen;
    QTimer::singleShot(0, [&] {
      if (auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen = {open->windowTitle(), open->text(), int(open->icon()), int(open->buttons().size()),
                open->textFormat()};
        open->done(QMessageBox::No);
      }
    });
    const std::function<void()> show[] = {[&] { boxes.ShowMessage(kQuoted); },
                                          [&] { boxes.ShowError(kQuoted); },
                                          [&] { boxes.ShowGeneralError(kQuoted); },
                                          [&] { boxes.ShowErrorDetails(kQuoted, "<b>line</b>"); },
                                          [&] { boxes.AskYesNo(kQuoted); }};
    show[box]();
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.icon, icon);
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(seen.text, shown);
    QCOMPARE(seen.buttons, buttons);
  }
};

FABRION_WIDGET_TEST(QtMessageBoxesTest);

}  // namespace fabrion::qt

#include "qt_message_boxes_test.moc"
