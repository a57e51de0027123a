// The main window, the New project dialog and the About dialog, driven as a user would.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QDialog>
#include <QApplication>
#include <QScreen>
#include <filesystem>

#include "app/about_dialog.h"
#include "app/application.h"
#include "app/main_window.h"
#include "editors/general_parameter_dialog.h"
#include "editors/translate_table_dialog.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "program_run.h"
#include "project/new_project_dialog.h"
#include "widget_test_registry.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;
using test::Run;
using test::ShownMessage;
using test::WhenModalOpens;

const QString kBase = QString::fromUtf8(kBaseTitle.data(), kBaseTitle.size());
const QString kSep = QString(QChar(kPathSeparator));

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartShowsBaseTitleAndDefaultPingAddress() {
    Run run;
    run.Start();
    QCOMPARE(run.main().windowTitle(), kBase);
    QCOMPARE(run.main().Edit1->text(), QString("0.0.0.0"));
    QCOMPARE(run.main().size(), QSize(566, 206));
    QVERIFY(run.main().btn_Translate->isEnabled());
    QVERIFY(fs::is_directory(run.program / "MASTER"));
    QVERIFY(fs::is_directory(run.Projects()));
  }

  void restoredProjectShowsStartUpTitleForm() {
    Run run;
    fs::create_directories(run.Projects() + "/gw1");
    test::WriteFileBytes(run.program / "Fabrion.ini", "[lastproj]\r\nprojectname=gw1\r\n");
    run.Start();
    QCOMPARE(run.main().windowTitle(), kBase + " : " + kSep + "gw1");
  }

  void buttonsHaveTheirCaptionsSizesAndPlaces() {
    Run run;
    run.Start();
    struct Expected {
      QPushButton* button;
      const char* caption;
      int x, y;
    } expected[] = {
        {run.main().New, "New project", 80, 36},
        {run.main().open, "Open project", 232, 36},
        {run.main().btn_Prm_Gen, "General Parameter", 80, 80},
        {run.main().Btn_Ping, "Ping Device", 232, 80},
        {run.main().btn_Translate, "Translate Table", 80, 124},
        {run.main().CreateBin, "Up date Device", 80, 168},
    };
    for (const Expected& e : expected) {
      QCOMPARE(e.button->text(), QString(e.caption));
      QCOMPARE(e.button->geometry(), QRect(e.x, e.y, 146, 26));
      QVERIFY2(!e.button->icon().isNull(), e.caption);
    }
    QCOMPARE(run.main().Edit1->width(), 113);
    QCOMPARE(run.main().LbButton1->text(), QString("X"));
    QCOMPARE(run.main().about->size(), QSize(21, 19));
  }

  void stepButtonsRefuseWithoutProject() {
    Run run;
    run.Start();
    run.store.Fields().ProjectDir.clear();
    for (QPushButton* b : {run.main().btn_Prm_Gen, run.main().btn_Translate, run.main().Btn_Ping,
                           run.main().CreateBin})
      QTest::mouseClick(b, Qt::LeftButton);
    std::vector<ShownMessage> expected(4, ShownMessage{ShownMessage::Plain, "Project not valid"});
    QCOMPARE(run.platform.messages.shown.size(), expected.size());
    QVERIFY(run.platform.messages.shown == expected);
    QVERIFY(run.platform.shell.started.empty());
    // Up date Device formed no path from the empty folder: nothing at the root's bin.
    QVERIFY(!fs::exists(fs::symlink_status("/bin/bank1.bin")));
    QVERIFY(!fs::exists(fs::symlink_status("/bin/bankg.c")));
  }

  // With PROJECTS itself current, nothing that writes a project's files runs.
  void withoutAProjectTheStepsWriteNothing() {
    Run run;
    run.Start();
    QTest::mouseClick(run.main().CreateBin, Qt::LeftButton);
    run.windows.dialogs.pargen->show();
    run.windows.dialogs.pargen->BitBtn1Click();
    run.windows.dialogs.setVar->show();
    run.windows.dialogs.setVar->bitbtn1Click();
    std::vector<ShownMessage> expected(3, {ShownMessage::Plain, "Create or open a project first."});
    QVERIFY(run.platform.messages.shown == expected);
    QVERIFY(fs::is_empty(run.Projects()));
  }

  // The ping field shows the project's address at start and after Open project.
  void pingFieldShowsTheProjectsAddress() {
    Run run;
    fs::create_directories(run.Projects() + "/gw1");
    fs::create_directories(run.Projects() + "/gw2");
    test::WriteFileBytes(run.Projects() + "/gw1/pargen.xml",
                         "<General_Parameter><TCP_IP1>10</TCP_IP1><TCP_IP2>0</TCP_IP2>"
                         "<TCP_IP3>0</TCP_IP3><TCP_IP4>5</TCP_IP4></General_Parameter>");
    test::WriteFileBytes(run.Projects() + "/gw2/pargen.xml", "<General_Parameter><TCP_IP1>");
    test::WriteFileBytes(run.program / "Fabrion.ini", "[lastproj]\r\nprojectname=gw1\r\n");
    run.Start();
    QCOMPARE(run.main().Edit1->text(), QString("10.0.0.5"));
    run.platform.picker.answers.push_back(run.Projects() + "/gw2");  // not well-formed
    QTest::mouseClick(run.main().open, Qt::LeftButton);
    QCOMPARE(run.main().Edit1->text(), QString("0.0.0.0"));
    QVERIFY(run.platform.messages.shown.empty());
  }

  void closingRemembersProject() {
    Run run;
    run.Start();
    run.store.Fields().ProjectName = "gw9";
    run.main().show();
    QTest::mouseClick(run.main().LbButton1, Qt::LeftButton);
    QVERIFY(!run.main().isVisible());
    QCOMPARE(ReadProfileString(run.program / "Fabrion.ini", "lastproj", "projectname"),
             std::string("gw9"));
    QVERIFY(run.platform.messages.shown.empty());
  }

  void closingWithUnwritableIniShowsErrorAndStillCloses() {
    Run run;
    run.Start();
    fs::create_directory(run.program / "Fabrion.ini");
    run.main().show();
    run.main().close();
    QVERIFY(!run.main().isVisible());
    QCOMPARE(run.platform.messages.shown.size(), size_t(1));
    QCOMPARE(run.platform.messages.shown[0].kind, ShownMessage::GeneralError);
    QCOMPARE(run.platform.messages.shown[0].text,
             "Unable to write to " + (run.program / "Fabrion.ini") + ".");
  }

  void openProjectSetsChangedTitle() {
    Run run;
    run.Start();
    fs::create_directories(run.Projects() + kPathSeparator + "gw2");
    run.platform.picker.answers.push_back(run.Projects() + kPathSeparator + "gw2");
    QTest::mouseClick(run.main().open, Qt::LeftButton);
    QCOMPARE(run.main().windowTitle(), kBase + " :" + kSep + "gw2");
    QCOMPARE(run.platform.picker.calls.at(0).root, run.Projects());
  }

  void openProjectOfAFolderNoNameCouldHaveIsRefused() {
    Run run;
    fs::create_directories(run.Projects() + "/gw1");
    std::error_code ec;  // Windows has no folder with a quote in its name
    fs::create_directories(run.Projects() + kPathSeparator + "say\"hi\"", ec);
    test::WriteFileBytes(run.program / "Fabrion.ini", "[lastproj]\r\nprojectname=gw1\r\n");
    run.Start();
    run.platform.picker.answers.push_back(run.Projects() + kPathSeparator + "say\"hi\"");
    QTest::mouseClick(run.main().open, Qt::LeftButton);
    const std::vector<ShownMessage> refusal = {{ShownMessage::Plain, "Name project not valid"}};
    QVERIFY(run.platform.messages.shown == refusal);
    QCOMPARE(run.main().windowTitle(), kBase + " : " + kSep + "gw1");
    QCOMPARE(run.store.Fields().ProjectDir, run.Projects() + kSep.toStdString() + "gw1");
  }

  void newProjectThroughTheDialog() {
    Run run;
    run.Start();
    WhenModalOpens([](QWidget* modal) {
      auto* dialog = qobject_cast<TFsaveproj*>(modal);
      QVERIFY(dialog);
      QCOMPARE(dialog->windowTitle(), QString("New project"));
      QCOMPARE(dialog->focusWidget(), dialog->NameField());
      QTest::keyClicks(dialog->NameField(), "gw1");
      QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(run.main().New, Qt::LeftButton);
    QCOMPARE(run.main().windowTitle(), kBase + " :gw1");
    QVERIFY(fs::is_directory(run.Projects() + "/gw1/bin"));
    QVERIFY(!run.windows.dialogs.saveproj->isVisible());
  }

  // Both open in the middle of the screen, wherever the main window is.
  void newProjectAndAboutOpenCentredOnTheScreen_data() {
    QTest::addColumn<QString>("title");
    QTest::newRow("New project") << "New project";
    QTest::newRow("About") << "About...";
  }
  void newProjectAndAboutOpenCentredOnTheScreen() {
    QFETCH(QString, title);
    Run run;
    run.Start();
    run.main().show();
    run.main().move(0, 0);
    const TFFabrioneFirmWare::Dialogs& d = run.windows.dialogs;
    QDialog* dialog = title == "About..." ? static_cast<QDialog*>(d.about) : d.saveproj;
    for (int opening = 0; opening < 2; ++opening) {
      dialog->show();
      const QPoint off = dialog->frameGeometry().center() - dialog->screen()->availableGeometry().center();
      QVERIFY2(off.manhattanLength() <= 1, qPrintable(QString("%1,%2").arg(off.x()).arg(off.y())));
      dialog->move(5, 5);
      dialog->hide();
    }
  }

  void newProjectCancelKeepsTitleFormAndCreatesNothing() {
    Run run;
    run.Start();
    WhenModalOpens([](QWidget* modal) {
      auto* dialog = qobject_cast<TFsaveproj*>(modal);
      QTest::keyClicks(dialog->NameField(), "never");
      QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    });
    QTest::mouseClick(run.main().New, Qt::LeftButton);
    QCOMPARE(run.main().windowTitle(), kBase + " :");
    QVERIFY(!fs::exists(run.Projects() + "/never"));
  }
};

class NewProjectDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void refusalsKeepDialogOpenWithTypedText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("empty") << "" << QStringList{"Name project not valid"};
    QTest::newRow("exists") << "taken"
                            << QStringList{"Name project not valid because directory already exists"};
    QTest::newRow("missing first level")
        << "nosuch/deeper"
        << QStringList{"Name project not valid: \"nosuch\" is not a folder in PROJECTS (\"/\" and "
                       "\"\\\" separate folders)."};
    QTest::newRow("outside") << "../outside"
                             << QStringList{"Name project not valid: the project must stay inside the "
                                            "PROJECTS folder (no \"..\", no drive, no leading \"/\" or "
                                            "\"\\\")."};
    QTest::newRow("double quote")
        << "say \"hi\""
        << QStringList{"Name project not valid: a control character or a double quote cannot be part of it."};
  }
  void refusalsKeepDialogOpenWithTypedText() {
    QFETCH(QString, typed);
    QFETCH(QStringList, messages);
    Run run;
    run.Start();
    fs::create_directories(run.Projects() + "/taken");
    TFsaveproj& dialog = *run.windows.dialogs.saveproj;
    dialog.SetDestination(run.Projects());
    dialog.show();
    QTest::keyClicks(dialog.NameField(), typed);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QStringList shown;
    for (const std::string& text : run.platform.messages.Texts()) shown << QString::fromStdString(text);
    QCOMPARE(shown, messages);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.MayClose());
    QCOMPARE(dialog.NameField()->text(), typed);
    dialog.close();  // the frame's close is refused while may-close is false
    QVERIFY(dialog.isVisible());
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!fs::exists(run.program / "outside"));
    QVERIFY(!fs::exists(run.Projects() + "/say \"hi\""));
  }

  void reopeningEmptiesTheField() {
    Run run;
    run.Start();
    TFsaveproj& dialog = *run.windows.dialogs.saveproj;
    dialog.show();
    QTest::keyClicks(dialog.NameField(), "abc");
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    dialog.show();
    QCOMPARE(dialog.NameField()->text(), QString());
  }

  void failedDocumentsKeepDialogOpenButProjectIsCurrent() {
    Run run;
    run.Start();
    TFsaveproj& dialog = *run.windows.dialogs.saveproj;
    dialog.SetDestination(run.Projects());
    dialog.SetProjectCreatedHook([] { return false; });
    dialog.show();
    QTest::keyClicks(dialog.NameField(), "gw1");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(run.store.Fields().ProjectName, std::string("gw1"));
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QCOMPARE(run.platform.messages.Texts(),
             std::vector<std::string>{"Name project not valid because directory already exists"});
  }
};

class AboutDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void showsTextsAndOpensMakerPage() {
    test::FakePlatform platform;
    TFAbout2 about(platform.services());
    QCOMPARE(about.windowTitle(), QString("About..."));
    QCOMPARE(about.size(), QSize(391, 145));
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    for (const char* wanted : {"Software Fabrion", "Gateway Modbus RTU Slave to TCP Master",
                               "Software Code :", "KT30551", "Version :", "2.002",
                               "Document Code :", "KD30551"})
      QVERIFY2(texts.contains(wanted), wanted);
    about.show();
    // The program's icon is the logo: the blue tile, drawn from the program's own copy.
    QCOMPARE(about.Logo()->pixmap().toImage().pixelColor(40, 8), QColor(0x2e, 0x5c, 0x8a));
    QTest::mouseClick(about.Logo(), Qt::LeftButton);
    QCOMPARE(platform.shell.opened, std::vector<std::string>{kMakerUrl});
    QTest::mouseClick(about.OkButton(), Qt::LeftButton);
    QVERIFY(!about.isVisible());
  }
};

FABRION_WIDGET_TEST(MainWindowTest);
FABRION_WIDGET_TEST(NewProjectDialogTest);
FABRION_WIDGET_TEST(AboutDialogTest);

}  // namespace fabrion

#include "main_window_test.moc"
