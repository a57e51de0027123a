#include "net/ping_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "project/project_store.h"
#include "widget_test_registry.h"

namespace fabrion {
namespace {

// The names of the signs that are not hidden, in the order information, warning, error.
QStringList ShownSigns(const TFPing& ping) {
  QStringList shown;
  for (const QLabel* sign : {ping.InformationImage, ping.WarningImage, ping.ErrorImage})
    if (!sign->isHidden()) shown << sign->objectName();
  return shown;
}

}  // namespace

class TFPingTest : public QObject {
  Q_OBJECT

 private slots:
  void LaysOutTheWindow() {
    TFPing ping;
    QCOMPARE(ping.height(), 98);
    QVERIFY(ping.width() >= 250);  // and wide enough for the title
    QCOMPARE(ping.minimumSize(), ping.maximumSize());
    QVERIFY(!(ping.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(ping.windowFlags() & Qt::WindowMinMaxButtonsHint));
    for (const QLabel* sign : {ping.InformationImage, ping.WarningImage, ping.ErrorImage}) {
      QCOMPARE(sign->geometry(), ping.InformationImage->geometry());
      QCOMPARE(sign->size(), QSize(41, 41));
      QVERIFY(!sign->pixmap().isNull());
    }
    QCOMPARE(ping.Label1->width(), 185);
    QVERIFY(ping.Label1->x() >= ping.InformationImage->geometry().right());
    QCOMPARE(ping.LbButton1->text(), QString("OK"));
    QCOMPARE(ping.LbButton1->size(), QSize(121, 23));
    QVERIFY(QRect(QPoint(0, 0), ping.size()).contains(ping.LbButton1->geometry()));
  }

  void ShowPingResultShowsOneSign_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("found") << 0 << "Ping! Device Found!" << "Device Found!"
                           << QStringList{"InformationImage"};
    QTest::newRow("not found") << 1 << "Ping! Device Not Found!" << "Device Not Found!"
                               << QStringList{"WarningImage"};
    QTest::newRow("error") << 2 << "Ping! Error!!!" << "Error!!! Check the Ip Address"
                           << QStringList{"ErrorImage"};
    QTest::newRow("kind 3 shows none") << 3 << "t" << "x" << QStringList{};
    QTest::newRow("kind -1 shows none") << -1 << "t" << "<b>x</b>" << QStringList{};
  }
  void ShowPingResultShowsOneSign() {
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    TFPing ping;
    // Whatever an earlier result showed is hidden again.
    for (int earlier : {0, 1, 2}) {
      ping.ShowPingResult(earlier, "earlier", "earlier");
      ping.ShowPingResult(kind, title, text);
      QCOMPARE(ShownSigns(ping), shown);
      QCOMPARE(ping.windowTitle(), title);
      QCOMPARE(ping.Label1->text(), text);
      QCOMPARE(ping.Label1->textFormat(), Qt::PlainText);
    }
  }

  void OkClosesTheWindow() {
    TFPing ping;
    ping.ShowPingResult(0, "Ping! Device Found!", "Device Found!");
    ping.open();
    QVERIFY(ping.isVisible());
    QTest::mouseClick(ping.LbButton1, Qt::LeftButton);
    QVERIFY(!ping.isVisible());
    QCOMPARE(ping.result(), int(QDialog::Accepted));
  }

  // The "Ping Device" button of the main window, with the echo faked.
  void MainWindowPingsTheAddressAndShowsTheResult_data() {
    QTest::addColumn<int>("script");  // 0 reply, 1 zero bytes, 2 error
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("found") << 0 << "Ping! Device Found!" << QStringList{"InformationImage"};
    QTest::newRow("not found") << 1 << "Ping! Device Not Found!" << QStringList{"WarningImage"};
    QTest::newRow("error") << 2 << "Ping! Error!!!" << QStringList{"ErrorImage"};
  }
  void MainWindowPingsTheAddressAndShowsTheResult() {
    QFETCH(int, script);
    QFETCH(QString, title);
    QFETCH(QStringList, shown);
    test::TempFolder program;
    test::FakePlatform fake;
    if (script == 1) fake.echo.reply = EchoReplyStatus{0, ""};
    if (script == 2) fake.echo.error = "Cannot resolve the host";
    ProjectStore store;
    store.Fields().ProgramDir = program.str();
    TFFabrioneFirmWare main(store, fake.services());
    TFPing ping(&main);
    main.AttachDialogs({.ping = &ping});
    main.Edit1->setText("192.0.2.7 ");

    QString seenTitle;
    QStringList seenSigns;
    QTimer::singleShot(0, &ping, [&] {
      seenTitle = ping.windowTitle();
      seenSigns = ShownSigns(ping);
      QVERIFY(ping.isVisible());
      QTest::mouseClick(ping.LbButton1, Qt::LeftButton);
    });
    QTest::mouseClick(main.Btn_Ping, Qt::LeftButton);

    QCOMPARE(seenTitle, title);
    QCOMPARE(seenSigns, shown);
    QVERIFY(!ping.isVisible());
    QCOMPARE(fake.echo.requests.size(), size_t(1));
    QCOMPARE(fake.echo.requests[0].host, std::string("192.0.2.7 "));
    QCOMPARE(fake.echo.requests[0].data, std::string("192.0.2.7 "));
    QCOMPARE(main.PingStatus, script == 0 ? 1 : script == 1 ? 2 : 0);
    QVERIFY(fake.messages.shown.empty());
  }

  void MainWindowWithoutProjectSendsNothing() {
    test::TempFolder program;
    test::FakePlatform fake;
    ProjectStore store;
    store.Fields().ProgramDir = program.str();
    TFFabrioneFirmWare main(store, fake.services());
    TFPing ping(&main);
    main.AttachDialogs({.ping = &ping});
    store.Fields().ProjectDir.clear();
    QTest::mouseClick(main.Btn_Ping, Qt::LeftButton);
    QVERIFY(fake.echo.requests.empty());
    QCOMPARE(fake.messages.Texts(), std::vector<std::string>{"Project not valid"});
    QVERIFY(!ping.isVisible());
  }
};

FABRION_WIDGET_TEST(TFPingTest);

}  // namespace fabrion

#include "ping_dialog_test.moc"
