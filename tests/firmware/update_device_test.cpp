// "Up date Device" end to end: the image build, the Generate Firmware dialog,
// the composition and the start of a flash tool that records its call.
#include <QComboBox>
#include <QLabel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/application.h"
#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/fake_platform.h"
#include "fakes/recording_flash_tool.h"
#include "fakes/temp_folder.h"
#include "firmware/generate_firmware_dialog.h"
#include "firmware/srecord_line.h"
#include "platform/qt/progress_bar_indicator.h"
#include "platform/qt/qt_shell.h"
#include "project/new_project_dialog.h"
#include "widget_test_registry.h"

namespace fabrion::test {
namespace fs = std::filesystem;

// While a handler runs the dialog's modal exec(), runs action once the dialog
// is shown and then closes it with "X"; a dialog that never opens is left alone.
class WhenShown {
 public:
  WhenShown(TFModifyFileSx* dialog, std::function<void()> action) {
    QObject::connect(&timer_, &QTimer::timeout, [this, dialog, action] {
      if (!dialog->isVisible()) return;
      timer_.stop();
      ran = true;
      action();
      QTest::mouseClick(dialog->LbButton1, Qt::LeftButton);
    });
    timer_.start(5);
  }
  bool ran = false;

 private:
  QTimer timer_;
};

class UpdateDeviceTest : public QObject {
  Q_OBJECT

  // One program folder with the demo master, the recording flash tool and a
  // new project "demo" holding a configuration with one translate row.
  struct Program {
    TempFolder folder;
    fs::path root = folder.path() / "Fabrion $(x) dir";
    FakePlatform fakes;
    qt::QtShell shell;
    ProjectStore store;
    ProgramWindows windows;

    explicit Program(bool realShell = true) {
      fs::create_directories(root / "MASTER");
      fs::copy_file(FABRION_DEMO_MASTER, root / "MASTER" / "ravelin.sx");
      InstallRecordingFlashTool(root / "Burnline.exe");
      const Services f = fakes.services();
      const Services withRealShell{f.messages, shell, f.picker, f.pump, f.clock, f.echo, f.files};
      windows = CreateProgramWindows(store, realShell ? withRealShell : f, root.string());
      TFsaveproj* newProject = windows.dialogs.saveproj;
      newProject->SetDestination(store.Fields().ProjectsDir);
      newProject->NameField()->setText("demo");
      newProject->BitBtn1Click();

      GeneralParameters values;
      values.ip = {"192", "168", "1", "10"};
      WriteGeneralParameters(store.Fields().ParGenPath, values);
      TMyRec row;
      row.DataType = 3;
      row.RtuAddress = 100;
      row.DeviceIp = {192, 168, 1, 20};
      row.TcpAddress = 0;
      row.PointCount = 10;
      row.Mnemonic = "pump";
      WriteTable(store.Fields().VarPath, {row});
      fakes.messages.Clear();
    }
    TFModifyFileSx* dialog() { return windows.dialogs.modifyFileSx; }
    // "Up date Device", then action in the open Generate Firmware dialog; true when it opened.
    bool UpDateDevice(const std::function<void()>& action) {
      WhenShown shown(dialog(), action);
      windows.main->CreateBinaClick();
      return shown.ran;
    }
    fs::path project() const { return root / "PROJECTS" / "demo"; }
    std::string output() const { return (project() / "New_ravelin.sx").string(); }
  };

  fs::path startFolder_;

 private slots:
  void init() { startFolder_ = fs::current_path(); }
  void cleanup() { fs::current_path(startFolder_); }

  void ProgramsTheComposedFileOnTheChosenPort() {
    Program p;
    QCOMPARE(p.store.Fields().ProjectDir, (p.root / "PROJECTS" / "demo").string());
    const struct {
      int choose;
      const char* index;
    } presses[] = {{2, "2"}, {0, "0"}};  // COM3, then COM1 at the next opening
    for (const auto& press : presses) {
      ClearFlashCall(p.root);
      std::optional<RecordedFlashCall> call;
      QVERIFY(p.UpDateDevice([&] {
        QCOMPARE(p.dialog()->cbport->currentText(), QString("COM1"));
        QVERIFY(p.dialog()->LbButton2->isEnabled());
        p.dialog()->cbport->setCurrentIndex(press.choose);
        QTest::mouseClick(p.dialog()->LbButton2, Qt::LeftButton);
        call = WaitForFlashCall(p.root);
        QCOMPARE(p.dialog()->outcome->text(),
                 QString("New_ravelin.sx written (%1 bytes), flash tool started on COM%2.")
                     .arg(fs::file_size(p.output()))
                     .arg(press.choose + 1));
      }));
      QCOMPARE(p.fakes.messages.Texts(), std::vector<std::string>{});
      QVERIFY(call.has_value());
      QCOMPARE(call->argumentCount, std::string("1"));
      QCOMPARE(call->argument, "\"" + p.output() + "\"\xB6" + press.index);
      QCOMPARE(call->folder, (p.root / "MASTER").string());
      QCOMPARE(fs::current_path(), p.root / "MASTER");
    }

    // The stand-in flash tool reads the composed file as the gateway would get it.
    QProcess standin;
    standin.start(FABRION_BURNLINE_STANDIN, {"--check", QString::fromStdString(p.output())});
    QVERIFY(standin.waitForFinished(20000));
    const QString report = QString::fromUtf8(standin.readAllStandardOutput());
    QCOMPARE(standin.exitCode(), 0);
    QVERIFY2(report.contains("Result: the file passed every check."), qPrintable(report));
    QVERIFY2(report.contains("  IP address 192.168.1.10\n"), qPrintable(report));
    QVERIFY2(report.contains("  Baud rate 9600\n  Parity None\n"), qPrintable(report));
    QVERIFY2(report.contains("Translate table: 1 row\n"
                             "  Row 1: Holding Register, RTU address 100, device 192.168.1.20, "
                             "TCP address 0, 10 points\n"),
             qPrintable(report));
  }

  void ASecondPressComposesAgain() {
    Program p;
    QVERIFY(p.UpDateDevice([&] {
      QTest::mouseClick(p.dialog()->LbButton2, Qt::LeftButton);
      QVERIFY(WaitForFlashCall(p.root).has_value());
      fs::remove(p.output());
      ClearFlashCall(p.root);
      QTest::mouseClick(p.dialog()->LbButton2, Qt::LeftButton);
      QVERIFY(fs::exists(p.output()));
      QVERIFY(WaitForFlashCall(p.root).has_value());
    }));
    QCOMPARE(p.fakes.messages.Texts(), std::vector<std::string>{});
    // The bar ends full, repainted only when it moved: never more often than it has pixels.
    qt::ProgressBarIndicator& progress = p.dialog()->Progress();
    QCOMPARE(progress.Maximum(), 512 + 2058);
    QCOMPARE(p.dialog()->Avanzamento->value(), progress.Maximum());
    const int pixels = p.dialog()->Avanzamento->contentsRect().width();
    QVERIFY2(progress.Repaints() > 10 && progress.Repaints() <= 2 * (pixels + 2),
             qPrintable(QString::number(progress.Repaints())));
  }

  // Every way the update can stop before the flash tool: the message, and no start.
  void StopsBeforeTheFlashTool_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("enabled");  // "Execute update firmware" after opening
    QTest::newRow("master missing") << "master missing" << "error" << "Error file ravelin.sx not found" << false;
    QTest::newRow("no bin folder") << "no bin folder" << "plain" << "Directory Bin Not Found,Abort Procedure" << true;
    QTest::newRow("bank file missing") << "bank file missing" << "plain" << "File bank1.bin Not Found,Abort Procedure" << true;
    QTest::newRow("merge fails") << "merge fails" << "plain" << "File New Sx Not Create,Abort Procedure" << true;
    QTest::newRow("flash tool missing") << "flash tool missing" << "plain" << "Burnline.exe Not Found, Procedure Aborted" << true;
    QTest::newRow("bank records file blocked") << "bank records file blocked" << "general" << "" << true;
    QTest::newRow("no configuration area") << "no configuration area" << "plain"
        << "The master firmware file has no configuration area (0x388000 to 0x38BFFF): nothing "
           "was started." << true;
    QTest::newRow("window record past its end") << "window record past its end" << "plain"
        << "File New Sx Not Create,Abort Procedure\nLine 2, record at 0x38BFF8: it reaches past "
           "the end of the configuration area (0x38BFFF)" << true;
  }
  void StopsBeforeTheFlashTool() {
    QFETCH(QString, fault);
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QFETCH(bool, enabled);
    Program p(false);
    // A firmware file an earlier run left must not be handed on.
    WriteFileBytes(p.output(), "S9030000FC\r\n");
    const fs::path bin = p.project() / "bin";
    if (fault == "master missing") fs::remove(p.root / "MASTER" / "ravelin.sx");
    if (fault == "flash tool missing") fs::remove(p.root / "Burnline.exe");
    if (fault == "merge fails")
      WriteFileBytes((p.root / "MASTER" / "ravelin.sx").string(), "S0030000FC\r\n\r\nS9030000FC\r\n");
    const std::string master = (p.root / "MASTER" / "ravelin.sx").string();
    if (fault == "no configuration area") WriteFileBytes(master, "S0030000FC\r\nS9030000FC\r\n");
    if (fault == "window record past its end")
      WriteFileBytes(master, "S0030000FC\r\n" +
                                 FormatSRecordLine('2', 0x38BFF8, std::vector<std::uint8_t>(16)) +
                                 "\r\nS9030000FC\r\n");
    std::string general;
    if (fault == "bank records file blocked") {
      fs::create_directories(bin / "Bin.sx" / "x");
      general = "Cannot create file \"" + (bin / "Bin.sx").string() + "\"";
    }
    WriteFileBytes((bin / "bank1.bin").string(), std::string(16384, '\0'));
    if (fault == "no bin folder") fs::remove_all(bin);
    if (fault == "bank file missing") fs::remove(bin / "bank1.bin");

    p.dialog()->show();
    QCOMPARE(p.dialog()->LbButton2->isEnabled(), enabled);
    if (enabled) QTest::mouseClick(p.dialog()->LbButton2, Qt::LeftButton);
    p.dialog()->close();

    QCOMPARE(p.fakes.shell.started.size(), std::size_t(0));
    QCOMPARE(p.fakes.messages.shown.size(), std::size_t(1));
    const ShownMessage& shown = p.fakes.messages.shown[0];
    QCOMPARE(int(shown.kind), kind == "error" ? int(ShownMessage::Error)
                              : kind == "plain" ? int(ShownMessage::Plain)
                                                : int(ShownMessage::GeneralError));
    if (kind == "general")
      QVERIFY2(shown.text.rfind(general, 0) == 0, shown.text.c_str());
    else
      QCOMPARE(shown.text, message.toStdString());
    if (kind == "plain" && enabled && fault != "flash tool missing")  // the line names the reason
      QCOMPARE(p.dialog()->outcome->text(),
               "Stopped: " + QString::fromStdString(GeneralErrorText(message.replace('\n', ' ').toStdString())));
    if (fault == "no configuration area")  // composed as ever, but not handed on
      QCOMPARE(ReadFileBytes(p.output()), std::string("S0030000FC\r\nS9030000FC\r\n"));
    else if (fault != "flash tool missing")
      QCOMPARE(ReadFileBytes(p.output()), std::string("S9030000FC\r\n"));
  }

  void StartsNothingWithoutAComposedFile() {
    Program p(false);
    p.dialog()->show();
    p.dialog()->ExeUpdateFirClick();
    p.dialog()->close();
    QCOMPARE(p.fakes.messages.Texts(), std::vector<std::string>{"File *.Sx Not Found,Abort Procedure"});
    QVERIFY(p.fakes.shell.started.empty());
  }

  void SaysWhenTheFlashToolCannotStart() {
    Program p;
    WriteFileBytes((p.root / "Burnline.exe").string(), "not a program");
    fs::permissions(p.root / "Burnline.exe", fs::perms::all, fs::perm_options::remove);
    QVERIFY(p.UpDateDevice([&] { QTest::mouseClick(p.dialog()->LbButton2, Qt::LeftButton); }));
    QCOMPARE(p.fakes.messages.Texts(),
             std::vector<std::string>{"Burnline.exe Not Started, Procedure Aborted"});
  }

  void UpDateDeviceStopsAtAnIncompleteImageOrAFailedWrite_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("no bin folder") << "no bin folder";
    QTest::newRow("no var.xml") << "no var.xml";
  }
  void UpDateDeviceStopsAtAnIncompleteImageOrAFailedWrite() {
    QFETCH(QString, fault);
    Program p(false);
    const fs::path bin = p.project() / "bin";
    if (fault == "no bin folder") fs::remove_all(bin);
    if (fault == "no var.xml") fs::remove(p.project() / "var.xml");
    QVERIFY(!p.UpDateDevice([] {}));
    QCOMPARE(p.fakes.pump.count, 1);
    QCOMPARE(p.fakes.messages.shown.size(), std::size_t(1));
    QCOMPARE(int(p.fakes.messages.shown[0].kind), int(ShownMessage::GeneralError));
    const std::string& text = p.fakes.messages.shown[0].text;
    if (fault == "no bin folder") {
      QCOMPARE(text, "Cannot create file \"" + (bin / "bank1.bin").string() +
                         "\". No such file or directory.");
    } else {
      QVERIFY2(text.find("var.xml") != std::string::npos, text.c_str());
      // The files are written all the same, from the image as it stands.
      QCOMPARE(ReadFileBytes((bin / "bank1.bin").string()), std::string(16384, '\0'));
      QCOMPARE(fs::file_size(bin / "bankg.c"), std::uintmax_t(117824));
    }
  }

  // A time-out the device's 16-bit field cuts is built only after a Yes.
  void AsksBeforeBuildingAValueTheDeviceCuts() {
    Program p(false);
    GeneralParameters values;
    values.timeOut = "70000";
    WriteGeneralParameters(p.store.Fields().ParGenPath, values);
    for (const bool goOn : {false, true}) {
      p.fakes.messages.answers = {goOn};
      QCOMPARE(p.UpDateDevice([] {}), goOn);
      QCOMPARE(fs::exists(p.project() / "bin" / "bank1.bin"), goOn);
    }
    const std::string question =
        "Timeout (ms) 70000 does not fit the device's 16-bit field: the device gets 4464. Continue?";
    QCOMPARE(p.fakes.messages.Texts(), std::vector<std::string>(2, question));
  }

  void ProgressBarShowsItsEndsExactlyAndClampsTheRest() {
    QProgressBar bar;
    bar.setFixedSize(417, 24);
    bar.show();
    qt::ProgressBarIndicator progress(&bar);
    progress.SetMaximum(0);  // nothing to count yet: no division by zero
    progress.SetPosition(5);
    QCOMPARE(progress.Position(), 0);
    progress.SetMaximum(1'000'000);
    const int before = progress.Repaints();
    for (int i = 1; i < 1000; ++i) progress.SetPosition(i);  // well under one pixel
    QCOMPARE(progress.Repaints(), before);
    progress.SetPosition(2'000'000);
    QCOMPARE(progress.Position(), 1'000'000);
    QCOMPARE(bar.value(), 1'000'000);
    progress.SetPosition(-3);
    QCOMPARE(bar.value(), 0);
    // A master of more lines than an int counts: the counts stay whole, the bar scales.
    progress.SetMaximum(5'000'000'000);
    progress.SetPosition(2'500'000'000);
    QCOMPARE(progress.Position(), std::int64_t{2'500'000'000});
    QVERIFY(qAbs(bar.value() - bar.maximum() / 2) <= 1);
    progress.SetPosition(5'000'000'000);
    QCOMPARE(bar.value(), bar.maximum());
  }

  // The dialog closes through "X" only: Enter and Escape neither close it nor
  // press a button, wherever the focus is; it opens on the port list.
  void EnterAndEscapeNeitherCloseNorCompose() {
    Program p(false);
    QVERIFY(p.UpDateDevice([&] {
      TFModifyFileSx* d = p.dialog();
      QCOMPARE(d->focusWidget(), static_cast<QWidget*>(d->cbport));
      for (QWidget* focus : {static_cast<QWidget*>(d->cbport), static_cast<QWidget*>(d->LbButton2),
                             static_cast<QWidget*>(d->LbButton1)}) {
        focus->setFocus(Qt::TabFocusReason);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
          QTest::keyClick(focus, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
          QVERIFY2(d->isVisible(), qPrintable(focus->objectName() + " " + QString::number(key)));
        }
      }
    }));
    QVERIFY(!fs::exists(p.output()));
    QVERIFY(p.fakes.shell.started.empty());
    QVERIFY(!p.dialog()->isVisible());
  }

  void OpensCentredThenWithItsLowerEdgeOnTheMiddleLine() {
    Program p(false);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    p.dialog()->show();
    const QRect first = p.dialog()->frameGeometry();
    p.dialog()->close();
    QVERIFY2(qAbs(first.center().x() - area.center().x()) <= 1 &&
                 qAbs(first.center().y() - area.center().y()) <= 1,
             qPrintable(QString("%1,%2").arg(first.x()).arg(first.y())));
    p.dialog()->show();
    const QRect second = p.dialog()->frameGeometry();
    p.dialog()->close();
    const QRect whole = screen->geometry();
    QVERIFY(qAbs(second.center().x() - whole.center().x()) <= 1);
    QCOMPARE(second.bottom() + 1, whole.top() + whole.height() / 2);
    QCOMPARE(p.dialog()->size(), QSize(430, 224));
  }
};

FABRION_WIDGET_TEST(UpdateDeviceTest);

}  // namespace fabrion::test

#include "update_device_test.moc"
