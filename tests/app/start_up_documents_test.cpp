// The main window's use of the project documents: the start-up reading of
// the operation mode and the empty translate table of a new project.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/application.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/paths.h"
#include "project/new_project_dialog.h"
#include "widget_test_registry.h"

namespace fabrion::test {

class StartUpDocumentsTest : public QObject {
  Q_OBJECT

 private slots:
  void TranslateButtonFollowsTheStoredMode_data() {
    QTest::addColumn<QString>("pargen");  // "(none)": no file
    QTest::addColumn<bool>("enabled");
    QTest::newRow("Routing Mode") << "<General_Parameter><MODE>0</MODE></General_Parameter>" << false;
    QTest::newRow("Routing Mode in hex") << "<General_Parameter><MODE>$0</MODE></General_Parameter>" << false;
    QTest::newRow("NAT Mode") << "<General_Parameter><MODE>1</MODE></General_Parameter>" << true;
    QTest::newRow("mode 7") << "<General_Parameter><MODE>7</MODE></General_Parameter>" << true;
    QTest::newRow("no integer") << "<General_Parameter><MODE>0 </MODE></General_Parameter>" << true;
    QTest::newRow("no MODE") << "<General_Parameter><BAUD>0</BAUD></General_Parameter>" << true;
    QTest::newRow("not well-formed") << "<General_Parameter><MODE>0</MODE>" << true;
    QTest::newRow("no file") << "(none)" << true;
  }
  void TranslateButtonFollowsTheStoredMode() {
    QFETCH(QString, pargen);
    QFETCH(bool, enabled);
    TempFolder program;
    std::filesystem::create_directories(program.path() / "PROJECTS" / "demo");
    WriteFileBytes(program / "Fabrion.ini", "[lastproj]\r\nprojectname=\\demo\r\n");
    if (pargen != "(none)")
      WriteFileBytes((program.path() / "PROJECTS" / "demo" / "pargen.xml").string(), pargen.toStdString());

    FakePlatform platform;
    ProjectStore store;
    store.Fields().ProgramDir = program.str();
    TFFabrioneFirmWare window(store, platform.services());
    QCOMPARE(store.Fields().ProjectName, kPathSeparator + std::string("demo"));
    QCOMPARE(window.btn_Translate->isEnabled(), enabled);
    QVERIFY(platform.messages.shown.empty());
  }

  void NewProjectGetsAnEmptyTranslateTable() {
    TempFolder program;
    FakePlatform platform;
    ProjectStore store;
    ProgramWindows windows = CreateProgramWindows(store, platform.services(), program.str());
    TFsaveproj* dialog = windows.dialogs.saveproj;
    dialog->SetDestination(store.Fields().ProjectsDir);
    dialog->NameField()->setText("fresh");
    dialog->BitBtn1Click();

    QCOMPARE(platform.messages.Texts(), std::vector<std::string>{});
    const std::string varPath = (program.path() / "PROJECTS" / "fresh" / "var.xml").string();
    QCOMPARE(store.Fields().VarPath, varPath);
    QCOMPARE(ReadFileBytes(varPath), std::string("<TCP_MASTER_TO_RTU_SLAVE/>"));
    QVERIFY(dialog->MayClose());
  }
};

FABRION_WIDGET_TEST(StartUpDocumentsTest);

}  // namespace fabrion::test

#include "start_up_documents_test.moc"
