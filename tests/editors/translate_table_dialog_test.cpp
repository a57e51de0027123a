#include "editors/translate_table_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <memory>

#include "documents/var_document.h"
#include "documents/xml_parse_error.h"
#include "editors/translate_grid_view.h"
#include "table/translate_table_checks.h"
#include "editors/translate_table_model.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "fakes/translate_rows.h"
#include "platform/error.h"
#include "project/project_store.h"
#include "translate_table_fixture.h"
#include <QFileInfo>

#include "widget_test_registry.h"

namespace fabrion::test {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The boxes shown, as "Error: text" lines, so that a failure prints them.
QStringList Lines(const RecordingMessageBoxes& messages) {
  QStringList lines;
  for (const ShownMessage& m : messages.shown) {
    const char* kind = m.kind == ShownMessage::Error          ? "Error: "
                       : m.kind == ShownMessage::GeneralError ? "General error: "
                       : m.kind == ShownMessage::Question     ? "Question: "
                                                              : "Message: ";
    lines << kind + Q(m.text);
  }
  return lines;
}
QString ErrorLine(const std::string& text) { return "Error: " + Q(text); }
QString GeneralErrorLine(const std::string& text) { return "General error: " + Q(GeneralErrorText(text)); }

// Records whether the dialog's window was already on screen at each message.
class WindowWatchingMessages : public RecordingMessageBoxes {
 public:
  void ShowGeneralError(const std::string& text) override {
    RecordingMessageBoxes::ShowGeneralError(text);
    onScreenAtMessage.push_back(watched && watched->windowHandle() &&
                                watched->windowHandle()->isVisible());
  }
  QWidget* watched = nullptr;
  std::vector<bool> onScreenAtMessage;
};

}  // namespace

class TranslateTableDialogTest : public QObject, TranslateTableFixture {
  Q_OBJECT

 private slots:
  void init() { SetUp(); }
  void cleanup() { TearDown(); }

  // --- The window ---------------------------------------------------------

  void windowHasTheSystemsLayout() {
    Open();
    QCOMPARE(dialog_->windowTitle(), QString("Set Translate Table"));
    // The grid and the bar keep their sizes; the row of command buttons
    // between them makes the window taller.
    // 618 wide unless the font makes the command row need more (Wine has no Verdana).
    QCOMPARE(dialog_->size(), QSize(std::max(618, dialog_->minimumSizeHint().width()),
                                    549 + dialog_->CommandRow->height()));
    QCOMPARE(dialog_->sga->height(), 549 - 41);
    const Qt::WindowFlags flags = dialog_->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(dialog_->minimumSize() != dialog_->maximumSize());  // resizable

    QCOMPARE(dialog_->bitbtn1->objectName(), QString("bitbtn1"));
    QCOMPARE(dialog_->bitbtn1->text(), QString("OK"));
    QCOMPARE(dialog_->bitbtn2->text(), QString("Cancel"));
    QCOMPARE(dialog_->bitbtn1->geometry().x(), 12);
    QCOMPARE(dialog_->bitbtn2->geometry().x(), 92);
    QCOMPARE(dialog_->bitbtn1->size(), QSize(69, 23));
    QCOMPARE(dialog_->bitbtn2->size(), QSize(69, 23));
    QCOMPARE(dialog_->Panel1->height(), 41);
    QCOMPARE(dialog_->Panel1->geometry().bottom(), dialog_->height() - 1);
    QCOMPARE(dialog_->sga->geometry().bottom() + 1, dialog_->CommandRow->geometry().top());
    QCOMPARE(dialog_->CommandRow->geometry().bottom() + 1, dialog_->Panel1->geometry().top());
    QCOMPARE(dialog_->sga->width(), dialog_->width());

    dialog_->resize(900, 700);
    QCOMPARE(dialog_->Panel1->height(), 41);
    QCOMPARE(dialog_->sga->height(), 700 - 41 - dialog_->CommandRow->height());
  }

  void gridHasTheSystemsColumnsAndRows() {
    Open();
    TranslateGridView* sga = dialog_->sga;
    TranslateTableModel* model = Model();
    QCOMPARE(model->rowCount(), 1400);
    QCOMPARE(model->columnCount(), 6);
    const QStringList captions = {"Data Type", "Address RTU", "Address Device TCP",
                                  "Address TCP", QString::fromUtf8("N\xC2\xB0 Point"), "Mnemonic"};
    const int widths[] = {101, 72, 111, 79, 64};
    for (int column = 0; column < 6; ++column) {
      QCOMPARE(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
               captions[column]);
      if (column < 5) QCOMPARE(sga->columnWidth(column), widths[column]);
    }
    // Mnemonic takes what the others leave of the grid's width.
    QCOMPARE(sga->horizontalHeader()->length(), sga->viewport()->width());
    QCOMPARE(sga->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(sga->verticalHeader()->width(), 64);
    QCOMPARE(sga->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(sga->rowHeight(0), 20);
    QCOMPARE(sga->rowHeight(1399), 20);
    QCOMPARE(model->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QString("1"));
    QCOMPARE(model->headerData(1399, Qt::Vertical, Qt::DisplayRole).toString(), QString("1400"));
    QCOMPARE(sga->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(sga->verticalScrollBar()->isVisible());

    const QColor grid(248, 247, 237), blue(166, 202, 240), cyan(224, 250, 254);
    const QColor expected[] = {blue, grid, cyan, cyan, grid, grid};
    for (int column = 0; column < 6; ++column) {
      const QModelIndex index = model->index(5, column);
      QCOMPARE(index.data(Qt::BackgroundRole).value<QBrush>().color(), expected[column]);
      QVERIFY(model->flags(index) & Qt::ItemIsEditable);
    }
    QCOMPARE(sga->palette().color(QPalette::Base), grid);
    QCOMPARE(dialog_->Panel1->palette().color(QPalette::Window), grid);

    QCOMPARE(sga->currentIndex(), model->IndexOf(1, kDataTypeColumn));
  }

  void dataTypeCellEditsWithAnEditableDropDown() {
    Open();
    const QModelIndex cell = Model()->IndexOf(3, kDataTypeColumn);
    dialog_->sga->setCurrentIndex(cell);
    dialog_->sga->edit(cell);
    auto* combo = dialog_->sga->findChild<QComboBox*>("DataTypeEditor");
    QVERIFY(combo);
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->maxVisibleItems(), 7);
    QCOMPARE(combo->count(), 4);
    const QStringList names = {"Coil Status", "Input Status", "Holding Register", "Input Register"};
    for (int i = 0; i < 4; ++i) QCOMPARE(combo->itemText(i), names[i]);

    combo->setCurrentIndex(2);
    emit combo->activated(2);  // the user picks "Holding Register" from the list
    QApplication::processEvents();
    QCOMPARE(Cell(3, kDataTypeColumn), QString("Holding Register"));
    QVERIFY(!dialog_->sga->IsEditing());
  }

  // --- Opening --------------------------------------------------------------

  void withoutFileOkWritesAnEmptyTableAndCloses() {
    Open();
    for (int column = 1; column < kGridColumns; ++column) QCOMPARE(Cell(1, column), QString());
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList());
    QCOMPARE(FileBytes(), TranslateTableXml({}));
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QVERIFY(!dialog_->isVisible());
  }

  void fillsTheGridFromVarXml() {
    WriteFileBytes(store_->Fields().VarPath,
                   "<TCP_MASTER_TO_RTU_SLAVE>"
                   "<row DATA_TYPE=\"3\" RTU_ADDRESS=\"007\" TCP_ADD_DEV_1=\"192\" TCP_ADD_DEV_2=\"168\""
                   " TCP_ADD_DEV_3=\"1\" TCP_ADD_DEV_4=\"125\" TCP_ADDRESS=\"0x10\" N_POINT=\"8\""
                   " MNEMONIC=\"a&lt;b&amp;c&quot;\"/>"
                   "<row DATA_TYPE=\"7\" RTU_ADDRESS=\"5\" TCP_ADD_DEV_1=\"10\" TCP_ADD_DEV_2=\"0\""
                   " TCP_ADD_DEV_3=\"0\" TCP_ADD_DEV_4=\"2\" TCP_ADDRESS=\"6\" N_POINT=\"9\" MNEMONIC=\"\"/>"
                   "</TCP_MASTER_TO_RTU_SLAVE>");
    Open();
    QCOMPARE(Lines(platform_->messages), QStringList());
    const QStringList row1 = {"Holding Register", "007", "192.168.1.125", "0x10", "8", "a<b&c\""};
    const QStringList row2 = {"", "5", "10.0.0.2", "6", "9", ""};
    for (int column = 1; column < kGridColumns; ++column) {
      QCOMPARE(Cell(1, column), row1[column - 1]);
      QCOMPARE(Cell(2, column), row2[column - 1]);
      QCOMPARE(Cell(3, column), QString());
    }
    // The DATA_TYPE 7 row is refused as it stands, naming its line.
    const std::string before = FileBytes();
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList{ErrorLine(DataTypeMessage(2))});
    QCOMPARE(FileBytes(), before);
    QVERIFY(dialog_->isVisible());
  }

  void malformedVarXmlIsReportedBeforeTheEmptyGridAppears() {
    const std::string broken = "<TCP_MASTER_TO_RTU_SLAVE><row DATA_TYPE=\"1\"";
    WriteFileBytes(store_->Fields().VarPath, broken);
    std::string parserText;
    try {
      ReadTable(store_->Fields().VarPath);
    } catch (const DocumentParseError& error) {
      parserText = error.what();
    }
    QVERIFY(!parserText.empty());

    WindowWatchingMessages messages;
    const Services fakes = platform_->services();
    Services services{messages, fakes.shell, fakes.picker, fakes.pump, fakes.clock, fakes.echo, fakes.files};
    TFSetVar dialog(*store_, services);
    messages.watched = &dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(Lines(messages), QStringList{GeneralErrorLine(parserText)});
    QCOMPARE(messages.onScreenAtMessage, std::vector<bool>{false});
    for (int column = 1; column < kGridColumns; ++column)
      QCOMPARE(dialog.findChild<TranslateTableModel*>()->IndexOf(1, column).data().toString(), QString());
    QCOMPARE(FileBytes(), broken);
  }

  void cancelAfterARefusalKeepsTheFileAndReopeningDiscardsEdits() {
    const std::vector<TMyRec> table = {Record(1, 10, {1, 2, 3, 4}, 20, 5, "kept")};
    WriteTable(store_->Fields().VarPath, table);
    const std::string before = FileBytes();
    Open();
    SetCell(1, kDataTypeColumn, "Coils");
    SetCell(1, kMnemonicColumn, "abandoned");
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList{ErrorLine(DataTypeMessage(1))});
    QTest::mouseClick(dialog_->bitbtn2, Qt::LeftButton);
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(FileBytes(), before);

    Open();
    QCOMPARE(Cell(1, kDataTypeColumn), QString("Coil Status"));
    QCOMPARE(Cell(1, kMnemonicColumn), QString("kept"));
  }

  // --- OK -------------------------------------------------------------------

  void refusesACellWithItsMessage_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString rtu = "Error!! Address RTU must be between 0 and 65535. ";
    const QString tcp = "Error!! Address TCP must be between 0 and 65535. ";
    const QString points = QString::fromUtf8("Error!! N\xC2\xB0 Point must be between 0 and 127. ");
    const QString ip = "Error!! Address Device TCP [%1] must be a valid TCP IP Address (Ex. 192.168.1.125). ";
    const QString type = Q(DataTypeMessage(2));
    QTest::newRow("empty data type") << int(kDataTypeColumn) << "" << type;
    QTest::newRow("leading blank") << int(kDataTypeColumn) << " Holding Register" << type;
    QTest::newRow("rtu 65536") << int(kAddressRtuColumn) << "65536" << rtu;
    QTest::newRow("rtu -1") << int(kAddressRtuColumn) << "-1" << rtu;
    QTest::newRow("rtu trailing blank") << int(kAddressRtuColumn) << "12 " << rtu;
    QTest::newRow("ip three parts") << int(kDeviceIpColumn) << "192.168.1" << ip.arg("192.168.1");
    QTest::newRow("ip 256") << int(kDeviceIpColumn) << "192.168.1.256" << ip.arg("192.168.1.256");
    QTest::newRow("ip five parts") << int(kDeviceIpColumn) << "1.2.3.4.5" << ip.arg("1.2.3.4.5");
    QTest::newRow("ip empty part") << int(kDeviceIpColumn) << "1..2.3" << ip.arg("1..2.3");
    QTest::newRow("ip empty") << int(kDeviceIpColumn) << "" << ip.arg("");
    QTest::newRow("tcp 70000") << int(kAddressTcpColumn) << "70000" << tcp;
    QTest::newRow("points 127") << int(kPointCountColumn) << "127" << points;
  }

  void refusesACellWithItsMessage() {
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, message);
    Open();
    FillRow(1);
    FillRow(2);
    SetCell(2, column, text);
    const QModelIndex current = Model()->IndexOf(7, kMnemonicColumn);
    dialog_->sga->setCurrentIndex(current);
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList{"Error: " + message});
    QVERIFY(dialog_->isVisible());
    QVERIFY(!QFile::exists(Q(store_->Fields().VarPath)));
    QCOMPARE(Cell(2, column), text);
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(2, column));  // the refused cell
  }

  void savesTheRunOfRowsUpToTheFirstEmptyAddressRtu() {
    Open();
    FillRow(1, "Coil Status", "0");
    FillRow(2, "holding register", "0x10", "0.0.0.0", "65535", "126");
    FillRow(3, "INPUT REGISTER", " 12", "255.255.255.255", "0", "0", "");
    FillRow(5, "", "garbage", "garbage", "garbage", "garbage");  // after the gap: not saved
    SetCell(4, kMnemonicColumn, "row 4 has no Address RTU");
    dialog_->sga->setCurrentIndex(Model()->IndexOf(1, kDataTypeColumn));
    const QString question =
        "Question: Rows 5 to 5 hold data below row 4, which has no Address RTU, and will not be "
        "saved. Save anyway?";
    PressOk();  // answered No: nothing written, back at row 4's Address RTU
    QCOMPARE(Lines(platform_->messages), QStringList{question});
    QVERIFY(!QFileInfo::exists(Q(store_->Fields().VarPath)));
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(4, kAddressRtuColumn));
    QVERIFY(dialog_->isVisible());
    platform_->messages.Clear();
    platform_->messages.answers = {true};
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList{question});
    QCOMPARE(FileBytes(), TranslateTableXml({
                              Record(1, 0, {192, 168, 1, 125}, 40001, 8, "Boiler"),
                              Record(3, 16, {0, 0, 0, 0}, 65535, 126, "Boiler"),
                              Record(4, 12, {255, 255, 255, 255}, 0, 0, ""),
                          }));
    QVERIFY(!dialog_->isVisible());
  }

  void checksDataTypesBelowTheSavedRows() {
    Open();
    FillRow(1);
    FillRow(2);
    FillRow(3);
    SetCell(9, kDataTypeColumn, "Coils");
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList{ErrorLine(DataTypeMessage(9))});
    QVERIFY(dialog_->isVisible());
  }

  void emptyFirstAddressRtuSavesAnEmptyTable() {
    Open();
    FillRow(2);
    SetCell(1, kDataTypeColumn, "Coil Status");
    platform_->messages.answers = {true};
    PressOk();
    QCOMPARE(Lines(platform_->messages),
             QStringList{"Question: Rows 2 to 2 hold data below row 1, which has no Address RTU, "
                         "and will not be saved. Save anyway?"});
    QCOMPARE(FileBytes(), TranslateTableXml({}));
  }

  void savesAll1400Rows() {
    Open();
    std::vector<TMyRec> expected;
    for (int row = 1; row <= 1400; ++row) {
      FillRow(row, "Input Status", QString::number(row), "10.0.0.1", "7", "126",
              QString("tag %1").arg(row));
      expected.push_back(Record(2, std::uint16_t(row), {10, 0, 0, 1}, 7, 126,
                                "tag " + std::to_string(row)));
    }
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList());
    QCOMPARE(FileBytes(), TranslateTableXml(expected));
  }

  void writeFailureIsReportedAndKeepsEveryCell_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("read-only var.xml") << true;
    QTest::newRow("project folder gone") << false;
  }

  void writeFailureIsReportedAndKeepsEveryCell() {
    QFETCH(bool, readOnly);
    const std::vector<TMyRec> table = {Record(1, 10, {1, 2, 3, 4}, 20, 5, "old")};
    if (readOnly) {
      WriteTable(store_->Fields().VarPath, table);
      MakeReadOnly(store_->Fields().VarPath);
    } else {
      store_->Fields().VarPath = *folder_ / "gone/var.xml";
    }
    const std::string before = FileBytes();
    Open();
    FillRow(1, "Input Register", "300");
    const std::vector<TMyRec> typed = {Record(4, 300, {192, 168, 1, 125}, 40001, 8, "Boiler")};
    std::string systemText;
    try {
      WriteTable(store_->Fields().VarPath, typed);
    } catch (const Error& error) {
      systemText = error.what();
    }
    QVERIFY(!systemText.empty());

    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList{GeneralErrorLine(systemText)});
    QVERIFY(dialog_->isVisible());
    QVERIFY(dialog_->result() != QDialog::Accepted);
    QCOMPARE(FileBytes(), before);
    QCOMPARE(Cell(1, kDataTypeColumn), QString("Input Register"));
    QCOMPARE(Cell(1, kAddressRtuColumn), QString("300"));
    QCOMPARE(Cell(1, kMnemonicColumn), QString("Boiler"));
  }

  // --- The keys of a spreadsheet ---------------------------------------------

  void typingEditsAndEnterOrTabMovesOn() {
    Open();
    TranslateGridView* sga = dialog_->sga;
    sga->setCurrentIndex(Model()->IndexOf(1, kAddressRtuColumn));
    Type("0x10");
    QVERIFY(sga->IsEditing());
    Key(Qt::Key_Return);
    QCOMPARE(Cell(1, kAddressRtuColumn), QString("0x10"));
    QCOMPARE(sga->currentIndex(), Model()->IndexOf(2, kAddressRtuColumn));
    QVERIFY(!sga->IsEditing());

    Type("1.2.3.4");  // typing replaces, it does not append
    Key(Qt::Key_Tab);
    QCOMPARE(Cell(2, kAddressRtuColumn), QString("1.2.3.4"));
    QCOMPARE(sga->currentIndex(), Model()->IndexOf(2, kDeviceIpColumn));
    QVERIFY(!sga->IsEditing());

    Key(Qt::Key_Down);
    QCOMPARE(sga->currentIndex(), Model()->IndexOf(3, kDeviceIpColumn));
    Key(Qt::Key_Return);  // Enter outside an edit moves down and never presses OK
    QCOMPARE(sga->currentIndex(), Model()->IndexOf(4, kDeviceIpColumn));
    QVERIFY(dialog_->isVisible());
    QCOMPARE(Lines(platform_->messages), QStringList());

    Type("abandoned");
    Key(Qt::Key_Escape);  // Escape drops the edit and keeps the dialog open
    QCOMPARE(Cell(4, kDeviceIpColumn), QString());
    QVERIFY(dialog_->isVisible());
  }

  void typedDataTypeNamesStayFreeText() {
    Open();
    dialog_->sga->setCurrentIndex(Model()->IndexOf(1, kDataTypeColumn));
    Type(" Holding Register");
    Key(Qt::Key_Return);
    QCOMPARE(Cell(1, kDataTypeColumn), QString(" Holding Register"));
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(2, kDataTypeColumn));
    Type("Coils");
    Key(Qt::Key_Tab);
    QCOMPARE(Cell(2, kDataTypeColumn), QString("Coils"));
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(2, kAddressRtuColumn));
    // A name that differs from a list entry only in case takes the entry's spelling.
    dialog_->sga->setCurrentIndex(Model()->IndexOf(3, kDataTypeColumn));
    Type("holding register");
    Key(Qt::Key_Return);
    QCOMPARE(Cell(3, kDataTypeColumn), QString("Holding Register"));
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(4, kDataTypeColumn));
    QVERIFY(!dialog_->sga->IsEditing());
  }

  void lowerCaseNamesAreSaved() {
    Open();
    FillRow(1, "holding register");
    FillRow(2, "coil STATUS");
    PressOk();
    QCOMPARE(Lines(platform_->messages), QStringList());
    QCOMPARE(FileBytes(), TranslateTableXml({Record(3, 100, {192, 168, 1, 125}, 40001, 8, "Boiler"),
                                             Record(1, 100, {192, 168, 1, 125}, 40001, 8, "Boiler")}));
  }

  void okSavesAnEditStillOpen() {
    Open();
    FillRow(1);
    dialog_->sga->setCurrentIndex(Model()->IndexOf(1, kAddressRtuColumn));
    Type("77");
    QVERIFY(dialog_->sga->IsEditing());
    QVERIFY(dialog_->bitbtn1Click());
    QCOMPARE(FileBytes(), TranslateTableXml({Record(3, 77, {192, 168, 1, 125}, 40001, 8, "Boiler")}));
  }

  void pasteWritesTabSeparatedRowsWithinTheGrid() {
    Open();
    QApplication::clipboard()->setText(
        "Coil Status\t100\t192.168.1.1\t5\t8\tfirst\r\n"
        "Input Status\t101\t192.168.1.2\t6\t9\tsecond\r\n");
    Select(1, kDataTypeColumn, 1, kDataTypeColumn);
    QTest::keySequence(dialog_->sga, QKeySequence::Paste);
    QCOMPARE(Cell(1, kMnemonicColumn), QString("first"));
    QCOMPARE(Cell(2, kDataTypeColumn), QString("Input Status"));
    QCOMPARE(Cell(2, kMnemonicColumn), QString("second"));
    PressOk();
    QCOMPARE(FileBytes(), TranslateTableXml({Record(1, 100, {192, 168, 1, 1}, 5, 8, "first"),
                                             Record(2, 101, {192, 168, 1, 2}, 6, 9, "second")}));
  }

  void pasteNeverAddsRowsOrTouchesRowNumbers() {
    Open();
    QApplication::clipboard()->setText("a\tb\nc\td\ne\tf\n");
    Select(1399, kPointCountColumn, 1399, kPointCountColumn);
    QTest::keySequence(dialog_->sga, QKeySequence::Paste);  // refused whole: only 2 rows fit
    QCOMPARE(Lines(platform_->messages),
             QStringList{"Message: Cannot paste 3 rows of 2 cells at row 1399, N\u00B0 Point: 2 rows "
                         "of 2 cells fit there. Nothing was pasted."});
    QCOMPARE(Cell(1399, kPointCountColumn), QString());
    platform_->messages.Clear();
    QApplication::clipboard()->setText("a\tb\nc\td\n");
    QTest::keySequence(dialog_->sga, QKeySequence::Paste);
    QCOMPARE(Model()->rowCount(), 1400);
    QCOMPARE(Cell(1399, kPointCountColumn), QString("a"));
    QCOMPARE(Cell(1400, kMnemonicColumn), QString("d"));
    QCOMPARE(Model()->headerData(1399, Qt::Vertical, Qt::DisplayRole).toString(),
             QString("1400"));
    QCOMPARE(Model()->Grid().Cell(1400, kNumberColumn), std::string("1400"));

    // A single value over a selection fills it.
    QApplication::clipboard()->setText("Coil Status\n");
    Select(10, kDataTypeColumn, 12, kDataTypeColumn);
    QTest::keySequence(dialog_->sga, QKeySequence::Paste);
    for (int row = 10; row <= 12; ++row) QCOMPARE(Cell(row, kDataTypeColumn), QString("Coil Status"));
    QCOMPARE(Cell(13, kDataTypeColumn), QString());
  }

  void copyGivesTabSeparatedText() {
    Open();
    FillRow(1, "Coil Status", "1", "1.2.3.4");
    FillRow(2, "", "2", "");
    Select(1, kDataTypeColumn, 2, kDeviceIpColumn);
    QTest::keySequence(dialog_->sga, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QString("Coil Status\t1\t1.2.3.4\n\t2\t\n"));
  }

  void deleteEmptiesTheSelectedCells() {
    Open();
    FillRow(1);
    FillRow(2);
    FillRow(3);
    Select(1, kAddressRtuColumn, 2, kDeviceIpColumn);
    Key(Qt::Key_Delete);
    for (int row = 1; row <= 2; ++row) {
      QCOMPARE(Cell(row, kDataTypeColumn), QString("Holding Register"));
      QCOMPARE(Cell(row, kAddressRtuColumn), QString());
      QCOMPARE(Cell(row, kDeviceIpColumn), QString());
      QCOMPARE(Cell(row, kAddressTcpColumn), QString("40001"));
    }
    QCOMPARE(Cell(3, kAddressRtuColumn), QString("100"));
    QCOMPARE(Model()->Grid().Cell(1, kNumberColumn), std::string("1"));
  }

 private:
  void PressOk() { QTest::mouseClick(dialog_->bitbtn1, Qt::LeftButton); }

  std::string FileBytes() const { return ReadFileBytes(store_->Fields().VarPath); }
};

FABRION_WIDGET_TEST(TranslateTableDialogTest);

}  // namespace fabrion::test

#include "translate_table_dialog_test.moc"
