#include "editors/general_parameter_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <memory>

#include "app/application.h"
#include "documents/pargen_document.h"
#include "documents/xml_parse_error.h"
#include "editors/address_spin_box.h"
#include "documents/general_parameter_checks.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "project/new_project_dialog.h"
#include "project/project_store.h"
#include "widget_test_registry.h"

namespace fabrion {
namespace {

using test::ShownMessage;
const std::string kDiscard = "Discard the changes to the general parameters?";

class GeneralParameterDialogTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::TempFolder> folder_;
  std::unique_ptr<test::FakePlatform> platform_;
  std::unique_ptr<ProjectStore> store_;
  ProgramWindows windows_;
  TFpargen* dialog_ = nullptr;
  std::string path_;

  TFFabrioneFirmWare& Main() { return *windows_.main; }

  // The program's windows over a temporary program folder with one project.
  void MakeProgram() {
    folder_ = std::make_unique<test::TempFolder>();
    platform_ = std::make_unique<test::FakePlatform>();
    store_ = std::make_unique<ProjectStore>();
    windows_ = CreateProgramWindows(*store_, platform_->services(), folder_->str());
    dialog_ = windows_.dialogs.pargen;
    ProjectFields& f = store_->Fields();
    f.ProjectName = std::string(1, kPathSeparator) + "demo";
    f.ProjectDir = JoinPath(f.ProjectsDir, "demo");
    f.ParGenPath = JoinPath(f.ProjectDir, "pargen.xml");
    f.VarPath = JoinPath(f.ProjectDir, "var.xml");
    QVERIFY(CreateDirectories(f.ProjectDir));
    path_ = f.ParGenPath;
    // A state of the main window that only the dialog's OK changes.
    Main().SetTranslateTableEnabled(false);
    Main().SetPingAddress("127.0.0.1");
  }

  void WriteDocument(const GeneralParameters& values) {
    test::WriteFileBytes(path_, GeneralParametersXml(values));
  }

  // Opens the dialog as the main window does, but without a modal loop.
  void Open() {
    dialog_->show();
    QApplication::setActiveWindow(dialog_);
    QVERIFY(QTest::qWaitForWindowActive(dialog_));
  }

  // Types into whichever control has the focus, one key at a time, so a key
  // that moves the focus sends the next keys to the new field.
  static void Type(const QString& keys) {
    for (const QChar key : keys) {
      QWidget* target = QApplication::focusWidget();
      QVERIFY2(target, qPrintable("no focus before typing '" + QString(key) + "'"));
      QTest::keyClick(target, key.toLatin1());
    }
  }

  static void Replace(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::TabFocusReason);
    QVERIFY(field->hasSelectedText() || field->text().isEmpty());
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    QCOMPARE(field->text(), text);
  }

  void ClickOk() { QTest::mouseClick(dialog_->BitBtn1, Qt::LeftButton); }

  std::string Written() const { return test::ReadFileBytes(path_); }

  std::vector<ShownMessage> Shown() const { return platform_->messages.shown; }

 private slots:
  void init() { MakeProgram(); }
  void cleanup() {
    windows_ = ProgramWindows{};
    store_.reset();
    platform_.reset();
    folder_.reset();
    dialog_ = nullptr;
  }

  // --- The window ---

  void windowIsFixedToolWindowShowingAllItsContent() {
    Open();
    QCOMPARE(dialog_->windowTitle(), QString("General Parameter"));
    QCOMPARE(dialog_->size(), QSize(457, 313));
    QCOMPARE(dialog_->minimumSize(), dialog_->maximumSize());
    QVERIFY(!(dialog_->windowFlags() & Qt::WindowCloseButtonHint));
    const QRect mode(dialog_->RG_Mode->mapTo(dialog_->ScrollBox->viewport(), QPoint(0, 0)),
                     dialog_->RG_Mode->size());
    QVERIFY(dialog_->ScrollBox->viewport()->rect().contains(mode));
    QCOMPARE(dialog_->ScrollBox->verticalScrollBar()->maximum(), 0);
    QCOMPARE(dialog_->RG_Mode->title(), QString("Operation Mode"));
    QCOMPARE(dialog_->RoutingMode->text(), QString("Routing Mode"));
    QCOMPARE(dialog_->NatMode->text(), QString("NAT Mode"));
    QVERIFY(dialog_->RoutingMode->x() < dialog_->NatMode->x());
    QCOMPARE(dialog_->BitBtn1->text(), QString("OK"));
    QCOMPARE(dialog_->BitBtn2->text(), QString("Cancel"));
    QStringList bauds, parities;
    for (int i = 0; i < dialog_->CB_Baud->count(); ++i) bauds << dialog_->CB_Baud->itemText(i);
    for (int i = 0; i < dialog_->CB_Par->count(); ++i) parities << dialog_->CB_Par->itemText(i);
    QCOMPARE(bauds, QStringList({"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    QCOMPARE(parities, QStringList({"NONE", "ODD", "EVEN"}));
  }

  void opensWithTheDefaultsWhenThereIsNoDocument() {
    Open();
    QCOMPARE(QStringList({dialog_->E_IP1->text(), dialog_->E_IP2->text(), dialog_->E_IP3->text(),
                          dialog_->E_IP4->text()}),
             QStringList({"0", "0", "0", "0"}));
    QCOMPARE(QStringList({dialog_->E_SUB1->text(), dialog_->E_SUB2->text(), dialog_->E_SUB3->text(),
                          dialog_->E_SUB4->text()}),
             QStringList({"255", "255", "255", "0"}));
    QCOMPARE(dialog_->SE_Address->text(), QString("1"));
    QCOMPARE(dialog_->CB_Baud->currentText(), QString("9600"));
    QCOMPARE(dialog_->CB_Par->currentText(), QString("NONE"));
    QCOMPARE(dialog_->E_Time->text(), QString("1000"));
    QCOMPARE(dialog_->E_Offset->text(), QString("0"));
    QVERIFY(dialog_->NatMode->isChecked());
    QVERIFY(Shown().empty());
    ClickOk();
    QCOMPARE(Written(), GeneralParametersXml(GeneralParameters{}));
  }

  // Tabs from Cancel round the dialog and back, then back-tabs the same way.
  void VerifyKeyboardOrder(QWidget* chosen) {
    const std::vector<QWidget*> order = {
        chosen,          dialog_->E_IP1,   dialog_->E_IP2,     dialog_->E_IP3,    dialog_->E_IP4,
        dialog_->E_SUB1, dialog_->E_SUB2,  dialog_->E_SUB3,    dialog_->E_SUB4,   dialog_->E_GAT1,
        dialog_->E_GAT2, dialog_->E_GAT3,  dialog_->E_GAT4,    dialog_->tcpPort,  dialog_->CB_Baud,
        dialog_->CB_Par, dialog_->E_Time,  dialog_->SE_Address, dialog_->snmpPublic,
        dialog_->snmpPrivate, dialog_->E_Offset, dialog_->BitBtn1, dialog_->BitBtn2};
    dialog_->BitBtn2->setFocus(Qt::OtherFocusReason);
    for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
      for (std::size_t step = 0; step < order.size(); ++step) {
        QWidget* before = QApplication::focusWidget();
        const std::size_t n = order.size();
        QWidget* next = key == Qt::Key_Tab ? order[step] : order[(2 * n - 2 - step) % n];
        QTest::keyClick(before, key);
        QVERIFY2(QApplication::focusWidget() == next,
                 qPrintable(QString("%1 from %2 came to %3, wanted %4")
                                .arg(key == Qt::Key_Tab ? "tab" : "back-tab", before->objectName(),
                                     QApplication::focusWidget()->objectName(), next->objectName())));
      }
    }
  }

  void keyboardOrderRunsFromTheModeChoiceToCancel() {
    Open();
    VerifyKeyboardOrder(dialog_->NatMode);
    QTest::keyClick(dialog_->BitBtn2, Qt::Key_Tab);
    QTest::keyClick(dialog_->NatMode, Qt::Key_Left);  // the arrows move within the choices
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->RoutingMode));
    QVERIFY(dialog_->RoutingMode->isChecked());
    VerifyKeyboardOrder(dialog_->RoutingMode);
  }

  void modeGroupComesIntoViewWhenAChoiceTakesTheFocus() {
    Open();
    QScrollBar* bar = dialog_->ScrollBox->verticalScrollBar();
    QCOMPARE(bar->value(), 0);
    QTest::keyClick(dialog_->E_IP1, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->NatMode));
    QCOMPARE(bar->value(), bar->maximum());
    const QRect group(dialog_->RG_Mode->mapTo(dialog_->ScrollBox->viewport(), QPoint(0, 0)),
                      dialog_->RG_Mode->size());
    QVERIFY(dialog_->ScrollBox->viewport()->rect().contains(group));
    // On to the IP row: the top of the window comes into view again.
    QTest::keyClick(dialog_->NatMode, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_IP1));
    QCOMPARE(bar->value(), 0);
  }

  // --- The octet fields' "." and select-on-focus ---

  void typedAddressWithDotsFillsTheFourIpFields() {
    Open();
    dialog_->E_IP1->setFocus(Qt::TabFocusReason);
    QCOMPARE(dialog_->E_IP1->selectedText(), QString("0"));
    Type("192.168.1.10");
    QCOMPARE(QStringList({dialog_->E_IP1->text(), dialog_->E_IP2->text(), dialog_->E_IP3->text(),
                          dialog_->E_IP4->text()}),
             QStringList({"192", "168", "1", "10"}));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_IP4));
  }

  void dotInTheFourthFieldChangesNothing_data() {
    QTest::addColumn<int>("row");
    QTest::newRow("IP") << 0;
    QTest::newRow("subnet mask") << 1;
  }
  void dotInTheFourthFieldChangesNothing() {
    QFETCH(int, row);
    Open();
    QLineEdit* fourth = row == 0 ? dialog_->E_IP4 : dialog_->E_SUB4;
    fourth->setFocus(Qt::MouseFocusReason);
    fourth->setText("12");
    fourth->setCursorPosition(1);
    QTest::keyClick(fourth, '.');
    QCOMPARE(fourth->text(), QString("12"));
    QCOMPARE(fourth->cursorPosition(), 1);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fourth));
  }

  void dotMovesWithinTheSubnetRowOnly() {
    Open();
    dialog_->E_SUB1->setFocus(Qt::TabFocusReason);
    Type("255.255.240.0");
    QCOMPARE(QStringList({dialog_->E_SUB1->text(), dialog_->E_SUB2->text(), dialog_->E_SUB3->text(),
                          dialog_->E_SUB4->text()}),
             QStringList({"255", "255", "240", "0"}));
    // The fourth IP field does not lead on into the mask row.
    dialog_->E_IP4->setFocus(Qt::TabFocusReason);
    Type("7.");
    QCOMPARE(dialog_->E_IP4->text(), QString("7"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_IP4));
  }

  void dotIsNeverInsertedWhenTheNextFieldCannotTakeFocus() {
    Open();
    dialog_->E_IP2->setEnabled(false);
    dialog_->E_IP1->setFocus(Qt::TabFocusReason);
    Type("10.");
    QCOMPARE(dialog_->E_IP1->text(), QString("10"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_IP1));
  }

  void otherKeysPassIntoTheOctetFields() {
    Open();
    dialog_->E_IP1->setFocus(Qt::TabFocusReason);
    Type("a-1,");
    QCOMPARE(dialog_->E_IP1->text(), QString("a-1,"));
  }

  void fieldEnteredFromTheKeyboardHasItsTextSelected() {
    Open();
    dialog_->E_Time->setText("1000");
    dialog_->CB_Par->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(dialog_->CB_Par, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_Time));
    QCOMPARE(dialog_->E_Time->selectedText(), QString("1000"));
    Type("250");
    QCOMPARE(dialog_->E_Time->text(), QString("250"));
    // Back-tab into the offset field from OK selects it too.
    dialog_->BitBtn1->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(dialog_->BitBtn1, Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_Offset));
    QCOMPARE(dialog_->E_Offset->selectedText(), QString("0"));
    // A click places the cursor instead.
    QTest::mouseClick(dialog_->E_IP3, Qt::LeftButton);
    QVERIFY(!dialog_->E_IP3->hasSelectedText());
  }

  // --- The checks ---

  void eachFaultShowsItsMessageAndKeepsTheDialogOpen_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    const QString ip = "Error!! IP must be between 0 and 255. ";
    const QString mask = "Error!! Subnet Mask must be between 0 and 255. ";
    QTest::newRow("IP 1 of 256") << "E_IP1" << "256" << ip;
    QTest::newRow("IP 2 of -1") << "E_IP2" << "-1" << ip;
    QTest::newRow("IP 3 empty") << "E_IP3" << "" << ip;
    QTest::newRow("IP 4 of letters") << "E_IP4" << "abc" << ip;
    QTest::newRow("mask 1 of 256") << "E_SUB1" << "256" << mask;
    QTest::newRow("mask 4 empty") << "E_SUB4" << "" << mask;
    QTest::newRow("time-out empty") << "E_Time" << "" << "TimeOut Error!!";
    QTest::newRow("time-out -1") << "E_Time" << "-1" << "TimeOut Error!!";
    QTest::newRow("offset -1") << "E_Offset" << "-1" << "Offset Error!!";
    QTest::newRow("offset 1 ") << "E_Offset" << "1 " << "Offset Error!!";
  }
  void eachFaultShowsItsMessageAndKeepsTheDialogOpen() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    const GeneralParameters onDisk = [] {
      GeneralParameters v;
      v.ip = {"10", "0", "0", "2"};
      return v;
    }();
    WriteDocument(onDisk);
    Open();
    QSignalSpy allowed(dialog_, &TFpargen::TranslateTableAllowed);
    QSignalSpy ping(dialog_, &TFpargen::PingAddressChanged);
    auto* edit = dialog_->findChild<QLineEdit*>(field);
    QVERIFY2(edit, qPrintable(field));
    Replace(edit, typed);
    ClickOk();
    QCOMPARE(Shown(), (std::vector<ShownMessage>{{ShownMessage::Error, message.toStdString()}}));
    QVERIFY(dialog_->isVisible());
    QCOMPARE(edit->text(), typed);
    QCOMPARE(Written(), GeneralParametersXml(onDisk));
    QCOMPARE(allowed.count(), 0);
    QCOMPARE(ping.count(), 0);
    QVERIFY(!Main().btn_Translate->isEnabled());
    QCOMPARE(Main().Edit1->text(), QString("127.0.0.1"));
  }

  void onlyTheFirstFaultIsShown() {
    Open();
    Replace(dialog_->E_SUB2, "999");
    Replace(dialog_->E_IP3, "256");
    Replace(dialog_->E_Offset, "-1");
    ClickOk();
    QCOMPARE(platform_->messages.Texts(),
             std::vector<std::string>{"Error!! IP must be between 0 and 255. "});
    platform_->messages.Clear();
    Replace(dialog_->E_IP3, "255");
    ClickOk();
    QCOMPARE(platform_->messages.Texts(),
             std::vector<std::string>{"Error!! Subnet Mask must be between 0 and 255. "});
    QVERIFY(!FileExists(path_));
  }

  void gatewayOctetFromTheDocumentBlocksEveryOk() {
    GeneralParameters onDisk;
    onDisk.gateway[2] = "300";
    WriteDocument(onDisk);
    Open();
    for (int attempt = 0; attempt < 3; ++attempt) {
      Replace(dialog_->E_IP1, QString::number(10 + attempt));
      ClickOk();
      QVERIFY(dialog_->isVisible());
    }
    QCOMPARE(platform_->messages.Texts(),
             std::vector<std::string>(3, "Error!! Default Gateway must be between 0 and 255. "));
    QCOMPARE(Written(), GeneralParametersXml(onDisk));
    platform_->messages.answers = {true};  // discard the typed address
    QTest::mouseClick(dialog_->BitBtn2, Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    QCOMPARE(Written(), GeneralParametersXml(onDisk));
  }

  void timeOutOfZeroAndOfHundredThousandAreWrittenAsTyped_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("0") << "0";
    QTest::newRow("65535") << "65535";
    QTest::newRow("hex") << "$3E8";
  }
  void timeOutOfZeroAndOfHundredThousandAreWrittenAsTyped() {
    QFETCH(QString, typed);
    Open();
    Replace(dialog_->E_Time, typed);
    ClickOk();
    QVERIFY(Shown().empty());
    GeneralParameters expected;
    expected.timeOut = typed.toStdString();
    QCOMPARE(Written(), GeneralParametersXml(expected));
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
  }

  // --- What OK writes and tells the main window ---

  void okWritesEveryFieldAndTheHeldValues() {
    GeneralParameters onDisk;
    onDisk.gateway = {"192", "0", "2", "1"};
    onDisk.tcpPort = 1502;
    onDisk.snmpPublic = "north";
    onDisk.snmpPrivate = "";
    WriteDocument(onDisk);
    Open();
    dialog_->E_IP1->setFocus(Qt::TabFocusReason);
    Type("010.$0A.0.9");
    dialog_->E_SUB1->setFocus(Qt::TabFocusReason);
    Type("255.255.0.0");
    dialog_->CB_Baud->setCurrentIndex(7);
    dialog_->CB_Par->setCurrentIndex(1);
    Replace(dialog_->E_Time, "250");
    Replace(dialog_->E_Offset, "40");
    dialog_->SE_Address->setFocus(Qt::TabFocusReason);
    Type("17");
    QTest::mouseClick(dialog_->RoutingMode, Qt::LeftButton);
    ClickOk();
    QVERIFY(Shown().empty());
    GeneralParameters expected = onDisk;
    expected.ip = {"010", "$0A", "0", "9"};
    expected.subnet = {"255", "255", "0", "0"};
    expected.baudIndex = 7;
    expected.parityIndex = 1;
    expected.timeOut = "250";
    expected.offset = "40";
    expected.addressRtu = 17;
    expected.natMode = false;
    QCOMPARE(Written(), GeneralParametersXml(expected));
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!Main().btn_Translate->isEnabled());
    QCOMPARE(Main().Edit1->text(), QString("010.$0A.0.9"));
  }

  void okTellsTheMainWindowTheModeThenThePingAddress() {
    Open();
    std::vector<QString> order;
    connect(dialog_, &TFpargen::TranslateTableAllowed, this,
            [&](bool allowed) { order.push_back(allowed ? "allowed" : "refused"); });
    connect(dialog_, &TFpargen::finished, this, [&] { order.push_back("closed"); });
    connect(dialog_, &TFpargen::PingAddressChanged, this, [&](const QString& a) { order.push_back(a); });
    Replace(dialog_->E_IP4, "5");
    ClickOk();
    QCOMPARE(order, (std::vector<QString>{"allowed", "closed", "0.0.0.5"}));
    QVERIFY(Main().btn_Translate->isEnabled());
    QCOMPARE(Main().Edit1->text(), QString("0.0.0.5"));

    Open();
    QTest::mouseClick(dialog_->RoutingMode, Qt::LeftButton);
    ClickOk();
    QVERIFY(!Main().btn_Translate->isEnabled());
    GeneralParameters routing;
    routing.ip[3] = "5";
    routing.natMode = false;
    QCOMPARE(Written(), GeneralParametersXml(routing));
  }

  void cancelLeavesTheDocumentAndTheNextOpeningShowsIt() {
    GeneralParameters onDisk;
    onDisk.ip = {"10", "1", "2", "3"};
    onDisk.natMode = false;
    WriteDocument(onDisk);
    Open();
    Replace(dialog_->E_IP1, "99");
    QTest::mouseClick(dialog_->NatMode, Qt::LeftButton);
    platform_->messages.answers = {true};
    QTest::mouseClick(dialog_->BitBtn2, Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    QCOMPARE(Written(), GeneralParametersXml(onDisk));
    QVERIFY(!Main().btn_Translate->isEnabled());
    QCOMPARE(Main().Edit1->text(), QString("127.0.0.1"));
    Open();
    QCOMPARE(dialog_->E_IP1->text(), QString("10"));
    QVERIFY(dialog_->RoutingMode->isChecked());
    QCOMPARE(Shown(), (std::vector<ShownMessage>{{ShownMessage::Question, kDiscard}}));
  }

  // Documents the dialog wrote before it showed the gateway, the port and
  // the community names come back byte for byte when those are left alone.
  void untouchedNewFieldsWriteTheSameBytes() {
    const std::string document =
        "<General_Parameter><TCP_IP1>010</TCP_IP1><TCP_IP2>$0A</TCP_IP2><TCP_IP3> 1</TCP_IP3>"
        "<TCP_IP4>0x9</TCP_IP4><TCP_SUB1>255</TCP_SUB1><TCP_SUB2>255</TCP_SUB2><TCP_SUB3>0</TCP_SUB3>"
        "<TCP_SUB4>0</TCP_SUB4><TCP_GAT1>010</TCP_GAT1><TCP_GAT2>$0</TCP_GAT2><TCP_GAT3> 0</TCP_GAT3>"
        "<TCP_GAT4>254</TCP_GAT4><TCP_PORT>65535</TCP_PORT><SNMP_PUBLIC>thirteen_char</SNMP_PUBLIC>"
        "<SNMP_PRIVATE></SNMP_PRIVATE><BAUD>7</BAUD><PARITY>3</PARITY><TIME_OUT>65535</TIME_OUT>"
        "<OFFSET>$FFFF</OFFSET><MODE>0</MODE><ADDRESS_RTU>255</ADDRESS_RTU></General_Parameter>";
    test::WriteFileBytes(path_, document);
    Open();
    ClickOk();
    QVERIFY(Shown().empty());
    QCOMPARE(Written(), document);
  }

  void escapeIsCancel() {
    Open();
    Replace(dialog_->E_IP1, "99");
    platform_->messages.answers = {true};
    QTest::keyClick(dialog_->E_IP1, Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QVERIFY(!FileExists(path_));
  }

  // Enter is OK for the dialog's whole life: after a click on Cancel, from
  // every kind of control, after a failed OK and a click into a field.
  void enterIsOkFromAnyControlAfterAnyClick_data() {
    QTest::addColumn<QString>("control");
    for (const char* name : {"E_IP4", "E_SUB2", "CB_Baud", "CB_Par", "E_Time", "SE_Address",
                             "E_Offset", "NatMode"})
      QTest::newRow(name) << name;
  }
  void enterIsOkFromAnyControlAfterAnyClick() {
    QFETCH(QString, control);
    Open();
    QTest::mouseClick(dialog_->BitBtn2, Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    Open();
    Replace(dialog_->E_IP1, "300");
    ClickOk();
    QCOMPARE(Shown().size(), size_t(1));
    auto* target = dialog_->findChild<QWidget*>(control);
    QVERIFY(target);
    QTest::mouseClick(dialog_->E_IP1, Qt::LeftButton);
    QTest::keyClick(dialog_->E_IP1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog_->E_IP1, "55");
    // A focused Cancel takes Enter only while it has the focus.
    dialog_->BitBtn2->setFocus(Qt::TabFocusReason);
    target->setFocus(Qt::BacktabFocusReason);
    QTest::keyClick(target, Qt::Key_Return);
    QVERIFY2(!dialog_->isVisible(), qPrintable(control));
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QVERIFY(Written().find("<TCP_IP1>55</TCP_IP1>") != std::string::npos);
  }

  void everyOpeningStartsFromTheDefaultsAndTheDocument() {
    GeneralParameters onDisk;
    onDisk.ip[0] = "10";  // all else default, written in full
    WriteDocument(onDisk);
    Open();
    Replace(dialog_->E_Offset, "77");
    dialog_->CB_Baud->setCurrentIndex(0);
    platform_->messages.answers = {true};
    dialog_->reject();
    // The document lost its offset and baud rate: the defaults fill them in.
    test::WriteFileBytes(path_, "<General_Parameter><TCP_IP1>10</TCP_IP1></General_Parameter>");
    Open();
    QCOMPARE(dialog_->E_IP1->text(), QString("10"));
    QCOMPARE(dialog_->E_Offset->text(), QString("0"));
    QCOMPARE(dialog_->CB_Baud->currentText(), QString("9600"));
    QCOMPARE(dialog_->E_IP1->selectedText(), QString("10"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_IP1));
  }

  void documentValuesWithoutAListItemWriteBack() {
    test::WriteFileBytes(
        path_, "<General_Parameter><BAUD>8</BAUD><PARITY>3</PARITY><ADDRESS_RTU>300</ADDRESS_RTU>"
               "<MODE>7</MODE></General_Parameter>");
    const GeneralParameters read = ReadGeneralParameters(path_);
    Open();
    QCOMPARE(dialog_->CB_Baud->currentIndex(), -1);
    QCOMPARE(dialog_->CB_Par->currentText(), QString("ODD"));
    QCOMPARE(dialog_->SE_Address->text(), QString("255"));
    ClickOk();
    QCOMPARE(Written(), GeneralParametersXml(read));
  }

  // --- The address spin field ---

  void addressIsPulledToTheNearerBoundWhenLeft_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::newRow("300") << "300" << "255";
    QTest::newRow("256") << "256" << "255";
    QTest::newRow("255") << "255" << "255";
    QTest::newRow("0") << "0" << "1";
    QTest::newRow("-4") << "-4" << "1";
    QTest::newRow("no integer stays") << "1-2" << "1-2";
  }
  void addressIsPulledToTheNearerBoundWhenLeft() {
    QFETCH(QString, typed);
    QFETCH(QString, left);
    Open();
    dialog_->SE_Address->setFocus(Qt::TabFocusReason);
    Type(typed);
    QCOMPARE(dialog_->SE_Address->text(), typed);
    QTest::keyClick(dialog_->SE_Address, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->snmpPublic));
    QCOMPARE(dialog_->SE_Address->text(), left);
  }

  void addressFieldRefusesOtherKeysAndStepsWithinRange() {
    Open();
    dialog_->SE_Address->setFocus(Qt::TabFocusReason);
    Type("2a$5");
    QCOMPARE(dialog_->SE_Address->text(), QString("25"));
    QTest::keyClick(dialog_->SE_Address, Qt::Key_Up);
    QCOMPARE(dialog_->SE_Address->text(), QString("26"));
    dialog_->SE_Address->SetAddress(255);
    QTest::keyClick(dialog_->SE_Address, Qt::Key_Up);
    QCOMPARE(dialog_->SE_Address->text(), QString("255"));
    dialog_->SE_Address->SetAddress(1);
    QTest::keyClick(dialog_->SE_Address, Qt::Key_Down);
    QCOMPARE(dialog_->SE_Address->text(), QString("1"));
  }

  void okTakesTheFocusSoTypedAddressOf300IsWrittenAs255() {
    Open();
    dialog_->SE_Address->setFocus(Qt::TabFocusReason);
    Type("300");
    // Enter presses the default button without leaving the field first.
    QTest::keyClick(dialog_->SE_Address, Qt::Key_Return);
    QVERIFY(Shown().empty());
    QCOMPARE(dialog_->SE_Address->text(), QString("255"));
    GeneralParameters expected;
    expected.addressRtu = 255;
    QCOMPARE(Written(), GeneralParametersXml(expected));
  }

  void addressThatIsNoIntegerIsWrittenAsOne() {
    Open();
    dialog_->SE_Address->setFocus(Qt::TabFocusReason);
    Type("4-4");
    ClickOk();
    QCOMPARE(dialog_->SE_Address->text(), QString("4-4"));
    QCOMPARE(Written(), GeneralParametersXml(GeneralParameters{}));
  }

  // --- Documents that cannot be read or written ---

  void malformedDocumentShowsTheParserErrorAndOpensWithTheDefaults() {
    const std::string malformed = "<General_Parameter><TCP_IP1>10</TCP_IP1>\n<TCP_IP2>1</TCP_IP3>";
    test::WriteFileBytes(path_, malformed);
    std::string parserText;
    try {
      ReadGeneralParameters(path_);
    } catch (const DocumentParseError& error) {
      parserText = error.what();
    }
    QVERIFY(!parserText.empty());
    Open();
    QCOMPARE(Shown(), (std::vector<ShownMessage>{
                          {ShownMessage::GeneralError, GeneralErrorText(parserText)}}));
    QCOMPARE(dialog_->E_IP1->text(), QString("0"));
    QCOMPARE(dialog_->E_IP2->text(), QString("0"));
    QVERIFY(dialog_->isVisible());
    QCOMPARE(test::ReadFileBytes(path_), malformed);
    ClickOk();
    QCOMPARE(Written(), GeneralParametersXml(GeneralParameters{}));
  }

  void readOnlyDocumentShowsTheSystemTextAndKeepsTheDialogOpen() {
    GeneralParameters onDisk;
    onDisk.ip[0] = "10";
    WriteDocument(onDisk);
    test::MakeReadOnly(path_);
    Open();
    Replace(dialog_->E_IP2, "20");
    QSignalSpy allowed(dialog_, &TFpargen::TranslateTableAllowed);
    ClickOk();
    QCOMPARE(Shown(), (std::vector<ShownMessage>{
                          {ShownMessage::GeneralError,
                           GeneralErrorText(CannotCreateFileText(path_, EACCES))}}));
    QVERIFY(dialog_->isVisible());
    QCOMPARE(dialog_->E_IP2->text(), QString("20"));
    QCOMPARE(Written(), GeneralParametersXml(onDisk));
    QCOMPARE(allowed.count(), 0);
    QVERIFY(!Main().btn_Translate->isEnabled());
    QCOMPARE(Main().Edit1->text(), QString("127.0.0.1"));
  }

  void missingProjectFolderShowsTheSystemText() {
    Open();
    std::filesystem::remove_all(ToFsPath(store_->Fields().ProjectDir));
    ClickOk();
    QCOMPARE(Shown(), (std::vector<ShownMessage>{
                          {ShownMessage::GeneralError,
                           GeneralErrorText(CannotCreateFileText(path_, ENOENT))}}));
    QVERIFY(dialog_->isVisible());
    QCOMPARE(Main().Edit1->text(), QString("127.0.0.1"));
  }

  // --- New project ---

  void newProjectGetsTheDefaultDocumentWithoutTheDialog() {
    Open();
    Replace(dialog_->E_IP1, "44");  // left over from an earlier opening
    dialog_->reject();
    TFsaveproj* saveproj = windows_.dialogs.saveproj;
    saveproj->SetDestination(store_->Fields().ProjectsDir);
    saveproj->NameField()->setText("fresh");
    saveproj->BitBtn1Click();
    const std::string fresh = JoinPath(JoinPath(store_->Fields().ProjectsDir, "fresh"), "pargen.xml");
    QCOMPARE(store_->Fields().ParGenPath, fresh);
    QCOMPARE(test::ReadFileBytes(fresh), GeneralParametersXml(GeneralParameters{}));
    QVERIFY(!dialog_->isVisible());
    QVERIFY(Main().btn_Translate->isEnabled());
    QCOMPARE(Main().Edit1->text(), QString("0.0.0.0"));
  }
};

FABRION_WIDGET_TEST(GeneralParameterDialogTest);

}  // namespace
}  // namespace fabrion

#include "general_parameter_dialog_test.moc"
