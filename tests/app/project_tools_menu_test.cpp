// The main window's menu button and its three commands, driven with the fakes.
#include "app/project_tools_menu.h"

#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/compare_window.h"
#include "app/main_window.h"
#include "app/recover_project_dialog.h"
#include "documents/pargen_document.h"
#include "firmware/config_image.h"
#include "platform/paths.h"
#include "readback/image_diff.h"
#include "readback/project_report.h"
#include "firmware/firmware_files.h"
#include "program_run.h"
#include "widget_test_registry.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;
using test::Run;
using test::ShownMessage;
using test::WhenModalOpens;

const QString kBase = QString::fromUtf8(kBaseTitle.data(), kBaseTitle.size());

// Types name into the Recover project dialog and presses OK.
auto NameIt(const char* name) {
  return [name](QWidget* modal) {
    auto* dialog = qobject_cast<RecoverProjectDialog*>(modal);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QString("Recover project"));
    QTest::keyClicks(dialog->NameField(), name);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  };
}

}  // namespace

class ProjectToolsMenuTest : public QObject {
  Q_OBJECT
 private slots:
  void menuButtonStandsLeftOfAboutWithThreeCommands() {
    Run run;
    run.Start();
    QCOMPARE(run.main().toolsMenu->Button()->geometry(), QRect(493, 4, 21, 19));
    QCOMPARE(run.main().size(), QSize(566, 206));
    QStringList captions;
    for (QAction* action : run.main().toolsMenu->Menu()->actions()) captions << action->text();
    QCOMPARE(captions, QStringList({QString::fromUtf8("Recover project from firmware\xE2\x80\xA6"),
                                    QString::fromUtf8("Compare with firmware\xE2\x80\xA6"),
                                    QString::fromUtf8("Project report\xE2\x80\xA6")}));
  }

  void recoverMakesANewCurrentProjectThatBuildsTheSameImage() {
    Run run;
    run.Start();
    const std::string firmware = run.program / "New_ravelin.sx";
    test::WriteFileBytes(firmware, test::JoinLines(test::ComposedFirmwareLines(test::SampleImage())));
    fs::create_directories(run.Projects() + "/taken");

    // A name already used is refused with New project's message; then a new one.
    run.platform.files.answers = {firmware, firmware};
    WhenModalOpens(NameIt("taken"));
    run.main().toolsMenu->recoverProject();
    QCOMPARE(run.platform.messages.Texts(),
             std::vector<std::string>{"Name project not valid because directory already exists"});
    run.platform.messages.Clear();
    WhenModalOpens(NameIt("gw7"));
    run.main().toolsMenu->recoverProject();

    QCOMPARE(run.platform.files.calls.at(0).title, std::string("Recover project from firmware"));
    QCOMPARE(run.platform.files.calls.at(0).start, run.Projects());
    QCOMPARE(run.main().windowTitle(), kBase + " :gw7");
    QCOMPARE(run.main().Edit1->text(), QString("192.168.1.10"));
    QVERIFY(run.main().btn_Translate->isEnabled());
    QCOMPARE(run.platform.messages.shown.size(), std::size_t(1));
    QCOMPARE(run.platform.messages.shown[0].kind, ShownMessage::Plain);
    QCOMPARE(run.platform.messages.shown[0].text,
             "Project \"gw7\" recovered from \"" + firmware +
                 "\".\nBuild date and time in the image: 2026-12-09 13:45:58.\nMnemonics are not "
                 "in the image: the 2 rows of var.xml have empty mnemonics.");
    ConfigImage image{};
    QVERIFY(BuildConfigImage(run.Projects() + "/gw7", run.platform.clock, image).complete);
    QVERIFY(SameConfiguration(image, test::SampleImage()));
    QVERIFY(fs::is_directory(run.Projects() + "/gw7/bin"));
  }

  // 1400 questionable rows once made a box taller than any screen: past a few
  // notes the box gives their number and a scrollable window holds them all.
  void recoverShowsManyNotesInAWindowOfTheirOwn() {
    Run run;
    run.Start();
    ConfigImage image = test::SampleImage();
    const std::uint8_t unknownType[10] = {9, 1, 0, 127, 0, 0, 1, 0, 0, 1};
    for (std::size_t row = 0; row < 12; ++row) std::copy_n(unknownType, 10, image.begin() + row * 10);
    const std::string bank = run.program / "bank1.bin";
    test::WriteFileBytes(bank, std::string(image.begin(), image.end()));
    run.platform.files.answers = {bank};
    QString title, notes;
    WhenModalOpens([&](QWidget* modal) {
      NameIt("gw9")(modal);
      WhenModalOpens([&](QWidget* window) {
        title = window->windowTitle();
        notes = qobject_cast<CompareWindow*>(window)->Text()->toPlainText();
      });
    });
    run.main().toolsMenu->recoverProject();
    QCOMPARE(run.platform.messages.shown.size(), std::size_t(1));
    const std::string box = run.platform.messages.shown[0].text;
    QVERIFY(box.ends_with("\n12 notes follow in a window of their own."));
    QCOMPARE(title, QString("Recover project from firmware"));
    QVERIFY(notes.startsWith(QString::fromStdString(box.substr(0, box.rfind('\n')))));
    QVERIFY(notes.endsWith("Row 12 has data type code 9, which the Translate Table dialog asks you "
                           "to change before it saves the table.\n"));
  }

  void recoverNamesAFileWithoutConfigurationAndAsksNoName() {
    Run run;
    run.Start();
    const std::string file = run.program / "bank1.bin";
    test::WriteFileBytes(file, "short");
    run.platform.files.answers = {file};
    run.main().toolsMenu->recoverProject();
    run.main().toolsMenu->recoverProject();  // cancelled picker: nothing happens
    QCOMPARE(run.platform.messages.shown,
             (std::vector<ShownMessage>{
                 {ShownMessage::GeneralError,
                  "\"" + file + "\" holds no complete configuration: it holds no S-records, and a "
                  "bank file holds 16384 bytes, not 5."}}));
    QCOMPARE(run.main().windowTitle(), kBase);
  }

  void compareShowsTheDifferencesFirmwareFirstAndClosesWithEscape() {
    Run run;
    run.Start();
    const std::string project = run.Projects() + "/gw";
    fs::create_directories(project + "/bin");
    WriteGeneralParameters(project + "/pargen.xml", GeneralParameters{});
    test::WriteFileBytes(project + "/var.xml", "<TCP_MASTER_TO_RTU_SLAVE/>");
    ConfigImage image{};
    QVERIFY(BuildConfigImage(project, run.platform.clock, image).complete);
    image[kIpOffset + 3] = 9;  // flashed before the address was changed
    WriteBankBinary(project, image);
    run.store.Fields().ProjectDir = project;
    run.platform.files.answers = {project + "/bin/bank1.bin"};
    QString shown;
    bool closed = false;
    WhenModalOpens([&](QWidget* modal) {
      auto* window = qobject_cast<CompareWindow*>(modal);
      QVERIFY(window);
      shown = window->Text()->toPlainText();
      QVERIFY(window->Text()->isReadOnly());
      QTest::keyClick(window, Qt::Key_Escape);
      closed = !window->isVisible();
    });
    run.main().toolsMenu->compareWithFirmware();
    QVERIFY(closed);
    QCOMPARE(shown, QString::fromUtf8(("Firmware: " + project + "/bin/bank1.bin\nProject: " + project +
                                       "\n\n1 difference, the firmware's value first:\n"
                                       "IP address 0.0.0.9 \xE2\x86\x92 0.0.0.0\n")
                                          .c_str()));
  }

  void reportIsWrittenBesideTheDocumentsAndOpened() {
    Run run;
    run.Start();
    const std::string project = run.Projects() + "/gw";
    fs::create_directories(project);
    WriteGeneralParameters(project + "/pargen.xml", GeneralParameters{});
    run.store.Fields().ProjectDir = project;

    run.main().toolsMenu->writeReport();  // no var.xml yet
    QCOMPARE(run.platform.messages.shown.size(), std::size_t(1));
    QCOMPARE(run.platform.messages.shown[0].kind, ShownMessage::GeneralError);
    QVERIFY(run.platform.shell.opened.empty());

    // Where it went, whether a browser took it, and its folder on Yes.
    test::WriteFileBytes(project + "/var.xml", "<TCP_MASTER_TO_RTU_SLAVE/>");
    const std::string written = "report.html was written to \"" + JoinPath(project, "report.html") + "\".";
    run.platform.messages.Clear();
    run.main().toolsMenu->writeReport();
    QCOMPARE(run.platform.shell.opened, std::vector<std::string>{FileUrl(project + "/report.html")});
    QCOMPARE(run.platform.messages.Texts(), std::vector<std::string>{written + "\n\nOpen its folder?"});
    QVERIFY(test::ReadFileBytes(project + "/report.html").starts_with("<!DOCTYPE html>"));
    run.platform.shell.opens = false;
    run.platform.messages.answers = {true};
    run.platform.messages.Clear();
    run.main().toolsMenu->writeReport();
    QCOMPARE(run.platform.messages.Texts(),
             std::vector<std::string>{written + " No browser could be opened for it.\n\nOpen its folder?"});
    QCOMPARE(run.platform.shell.opened.back(), FileUrl(project));

    run.store.Fields().ProjectDir.clear();
    run.platform.messages.Clear();
    run.main().toolsMenu->writeReport();
    run.main().toolsMenu->compareWithFirmware();
    QCOMPARE(run.platform.messages.Texts(), (std::vector<std::string>{"Project not valid", "Project not valid"}));
    QVERIFY(run.platform.files.calls.empty());
  }
};

FABRION_WIDGET_TEST(ProjectToolsMenuTest);

}  // namespace fabrion

#include "project_tools_menu_test.moc"
