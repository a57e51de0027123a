// The Check devices window against devices of the test itself on 127.0.0.0/8.
#include "net/device_check_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include "editors/translate_table_dialog.h"
#include "editors/translate_table_model.h"
#include "fakes/fake_platform.h"
#include "fakes/modbus_test_devices.h"
#include "fakes/temp_folder.h"
#include "fakes/translate_rows.h"
#include "project/project_store.h"
#include "widget_test_registry.h"

namespace fabrion {

using test::Record;

namespace {

QStringList Column(const DeviceCheckWindow& window, int column) {
  QStringList texts;
  for (int row = 0; row < window.ResultList->rowCount(); ++row)
    texts << window.ResultList->item(row, column)->text();
  return texts;
}

DeviceCheckWindow::RowsSource Fixed(std::vector<TMyRec> rows) {
  return [rows] { return std::optional(rows); };
}

ProjectStore StoreIn(const test::TempFolder& folder) {
  ProjectStore store;
  store.Fields().VarPath = folder / "var.xml";
  store.Fields().ProgramDir = folder.path().string();
  return store;
}

// The Set Translate Table dialog of a project in a temporary folder, shown.
struct ShownTableDialog {
  test::TempFolder folder;
  test::FakePlatform platform;
  ProjectStore store = StoreIn(folder);
  TFSetVar dialog{store, platform.services()};
  TranslateTableModel& grid = *dialog.findChild<TranslateTableModel*>();
  ShownTableDialog() { dialog.show(); }
};

}  // namespace

class DeviceCheckWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsEachRowAsItsDeviceAnswers() {
    test::Listeners listeners({"127.0.0.1"});
    test::ModbusTestServer server(listeners.Take(0));
    test::TempFolder folder;
    test::FakePlatform platform;
    DeviceCheckWindow window(platform.services(), folder / "Fabrion.ini", "");
    window.show();
    QCOMPARE(window.PortField->value(), 502);
    QCOMPARE(window.UnitField->value(), 255);
    QCOMPARE(window.TimeOutField->value(), 1000);
    window.PortField->setValue(listeners.port());
    window.SetRowsSource(Fixed({Record(3, 1, {127, 0, 0, 1}, 10, 9, "holding"),
                                Record(1, 2, {127, 0, 0, 2}, 0, 1, "nobody"),
                                Record(4, 3, {127, 0, 0, 1}, 0, 0, "nothing"),
                                Record(2, 4, {127, 0, 0, 1}, 200, 1, "beyond")}));
    QCOMPARE(window.ResultList->rowCount(), 0);  // nothing is checked before Check
    QTest::keyClick(window.PortField, Qt::Key_Return);
    QTRY_VERIFY(!window.IsChecking());
    QCOMPARE(Column(window, DeviceCheckWindow::kStatusColumn),
             (QStringList{"ok", "no connection", "skipped", "exception"}));
    QCOMPARE(Column(window, DeviceCheckWindow::kValuesColumn),
             (QStringList{"1010 1011 1012 1013 1014 1015 1016 1017 \xE2\x80\xA6", "", "", ""}));
    QCOMPARE(Column(window, DeviceCheckWindow::kReasonColumn),
             (QStringList{"", "Connection refused", "N\xC2\xB0 Point 0",
                          "exception 2 (Illegal Data Address)"}));
    QCOMPARE(window.ResultList->item(0, DeviceCheckWindow::kStatusColumn)->background().color(),
             QColor(198, 239, 206));
    QCOMPARE(window.Summary->text(), QString("4 rows: 1 ok, 1 exception, 1 no connection, 1 skipped"));
    window.ValuesForm->setCurrentIndex(DeviceCheckWindow::kHexadecimal);
    QCOMPARE(window.ResultList->item(0, DeviceCheckWindow::kValuesColumn)->text(),
             QString("0x03F2 0x03F3 0x03F4 0x03F5 0x03F6 0x03F7 0x03F8 0x03F9 \xE2\x80\xA6"));

    // Another unit, then Check again by mouse: the device answers for any unit.
    window.UnitField->setValue(1);
    QTest::mouseClick(window.CheckButton, Qt::LeftButton);
    QTRY_VERIFY(!window.IsChecking());
    QCOMPARE(window.Summary->text(), QString("4 rows: 1 ok, 1 exception, 1 no connection, 1 skipped"));
    QCOMPARE(server.connections(), 2);

    // The fields of the last Check are the next window's.
    DeviceCheckWindow next(platform.services(), folder / "Fabrion.ini", "");
    QCOMPARE(next.PortField->value(), int(listeners.port()));
  }

  void CancelAndCloseEndTheCheckPromptly() {
    test::Listeners listeners({"127.0.0.1"});
    test::SilentListener silent(listeners.Take(0));
    test::FakePlatform platform;
    auto* window = new DeviceCheckWindow(platform.services(), "", "");
    window->SetRowsSource(Fixed(std::vector<TMyRec>(3, Record(3, 1, {127, 0, 0, 1}, 0, 1, ""))));
    window->PortField->setValue(listeners.port());
    window->TimeOutField->setValue(kMaxCheckTimeoutMs);
    window->show();

    window->StartCheck();
    QTRY_COMPARE(silent.Callers(), 1);  // the worker waits for the device's answer
    QVERIFY(window->IsChecking());
    QVERIFY(window->CancelButton->isEnabled());
    QTest::mouseClick(window->CancelButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window->IsChecking(), 1000);
    QCOMPARE(window->Summary->text(), QString("Stopped: 0 of 3 rows checked"));
    QCOMPARE(Column(*window, DeviceCheckWindow::kStatusColumn),
             QStringList(3, "not checked"));

    // Enter in a field checks again; Escape closes the window in the middle.
    QTest::keyClick(window->PortField, Qt::Key_Return);
    QTRY_COMPARE(silent.Callers(), 2);
    QVERIFY(window->IsChecking());
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(window->ResultList, Qt::Key_Escape);
    QVERIFY(clock.elapsed() < 500);
    QVERIFY(!window->isVisible());
    QVERIFY(!window->IsChecking());

    // Deleting it in the middle of a check: its thread ends first.
    window->show();
    window->StartCheck();
    QTRY_COMPARE(silent.Callers(), 3);
    clock.restart();
    delete window;
    QVERIFY(clock.elapsed() < 500);
    QTest::qWait(50);  // no late result may reach the window now gone
  }

  // "Check devices…" in the Set Translate Table dialog.
  void TheDialogChecksItsGridAndStopsTheCheckWhenClosed() {
    ShownTableDialog shown;
    auto& [folder, platform, store, dialog, grid] = shown;
    const auto type = grid.IndexOf(1, kDataTypeColumn);
    for (const auto& [column, text] : std::vector<std::pair<int, QString>>{
             {kDataTypeColumn, "Coils"}, {kAddressRtuColumn, "1"}, {kDeviceIpColumn, "127.0.0.1"},
             {kAddressTcpColumn, "0"}, {kPointCountColumn, "1"}})
      grid.setData(grid.IndexOf(1, column), text, Qt::EditRole);

    // A table OK refuses is refused the same way, and nothing is checked.
    QTest::mouseClick(dialog.CheckDevicesButton, Qt::LeftButton);
    QCOMPARE(platform.messages.Texts(), std::vector<std::string>{DataTypeMessage(1)});
    QVERIFY(!dialog.checkDevices);

    test::Listeners listeners({"127.0.0.1"});
    test::SilentListener silent(listeners.Take(0));
    grid.setData(type, "Coil Status", Qt::EditRole);
    QTest::mouseClick(dialog.CheckDevicesButton, Qt::LeftButton);
    QVERIFY(dialog.checkDevices && dialog.checkDevices->isVisible());
    dialog.checkDevices->PortField->setValue(listeners.port());
    dialog.checkDevices->TimeOutField->setValue(kMaxCheckTimeoutMs);
    QTest::mouseClick(dialog.checkDevices->CheckButton, Qt::LeftButton);
    QTRY_COMPARE(silent.Callers(), 1);
    QVERIFY(dialog.checkDevices->IsChecking());

    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(dialog.bitbtn2, Qt::LeftButton);  // Cancel closes the dialog
    QVERIFY(clock.elapsed() < 500);
    QVERIFY(!dialog.checkDevices->isVisible());
    QVERIFY(!dialog.checkDevices->IsChecking());
    QCOMPARE(platform.messages.shown.size(), std::size_t(1));
  }

  // Each Check takes the grid as it then stands; the results copy and export as they show.
  void CheckReadsTheGridAgainAndTheResultsCopy() {
    ShownTableDialog shown;
    auto& [folder, platform, store, dialog, grid] = shown;
    test::Listeners listeners({"127.0.0.1"});
    test::ModbusTestServer server(listeners.Take(0));
    const auto fill = [&](int row, const QString& points) {
      for (const auto& [column, text] : std::vector<std::pair<int, QString>>{
               {kDataTypeColumn, "Holding Register"}, {kAddressRtuColumn, QString::number(row * 10)},
               {kDeviceIpColumn, "127.0.0.1"}, {kAddressTcpColumn, "3"}, {kPointCountColumn, points}})
        grid.setData(grid.IndexOf(row, column), text, Qt::EditRole);
    };
    fill(1, "1");
    QTest::mouseClick(dialog.CheckDevicesButton, Qt::LeftButton);
    DeviceCheckWindow& window = *dialog.checkDevices;
    window.PortField->setValue(listeners.port());
    fill(2, "2");  // after the window opened
    QTest::mouseClick(window.CheckButton, Qt::LeftButton);
    QTRY_VERIFY(!window.IsChecking());
    QCOMPARE(Column(window, DeviceCheckWindow::kValuesColumn), (QStringList{"1003", "1003 1004"}));
    const QStringList times = Column(window, DeviceCheckWindow::kTimeColumn);
    window.ResultList->setFocus();
    QTest::keyClick(window.ResultList, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window.ResultList, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QString::fromUtf8(
        "N\xC2\xB0\tData Type\tDevice\tAddress TCP\tN\xC2\xB0 Point\tStatus\tValues\tTime (ms)\tReason\n"
        "1\tHolding Register\t127.0.0.1\t3\t1\tok\t1003\t%1\t\n"
        "2\tHolding Register\t127.0.0.1\t3\t2\tok\t1003 1004\t%2\t\n").arg(times[0], times[1]);
    QCOMPARE(QApplication::clipboard()->text(), copied);

    // Export: the same, as CSV.
    const std::string csv = folder / "checked.csv";
    platform.files.answers.push_back(csv);
    QTest::mouseClick(window.ExportButton, Qt::LeftButton);
    QCOMPARE(test::ReadFileBytes(csv),
             "\xEF\xBB\xBF" + QString(copied).replace('\t', ',').replace("\n", "\r\n").toStdString());
  }
};

FABRION_WIDGET_TEST(DeviceCheckWindowTest);

}  // namespace fabrion

#include "device_check_window_test.moc"
