// The Set Translate Table dialog's commands beyond OK and Cancel, driven by
// keys and clicks: undo and redo, row commands, find, fill down, duplicate
// rows, the keyboard paths and the clipboard.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <array>
#include <memory>
#include <random>

#include "documents/pargen_document.h"
#include "documents/translate_csv.h"
#include "documents/var_document.h"
#include "documents/xml_load.h"
#include "editors/duplicate_rows_dialog.h"
#include "editors/mapping_warnings_window.h"
#include "editors/translate_grid_view.h"
#include "editors/translate_table_checks.h"
#include "editors/translate_table_dialog.h"
#include "editors/translate_table_model.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "project/project_store.h"
#include "translate_table_fixture.h"
#include "widget_test_registry.h"

namespace fabrion::test {
namespace {

constexpr int kRows = kMaxTranslateRows;
constexpr int kColumns = kGridColumns - 1;

// The grid's data cells as plain texts: the reference the session is checked against.
using Cells = std::vector<std::array<std::string, kColumns>>;

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

class TranslateTableWorkbenchTest : public QObject, TranslateTableFixture {
  Q_OBJECT

 private slots:
  void init() { SetUp(); }
  void cleanup() { TearDown(); }

  // --- Undo and redo ---------------------------------------------------------

  // A long session of every kind of edit, each checked against a plain copy
  // of the grid; then undone step by step to the opening and redone to the end.
  void longMixedSessionUndoesAndRedoesEveryStep() {
    WriteTable(store_->Fields().VarPath,
               {TMyRec{3, 100, {10, 0, 0, 1}, 1, 8, "a"}, TMyRec{1, 200, {10, 0, 0, 2}, 2, 9, "b"}});
    Open();
    Cells expected = Snapshot();
    std::vector<Cells> states{expected};
    QStringList log;
    std::mt19937 random(1400);
    auto pick = [&random](int low, int high) {
      return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int step = 0; step < 90; ++step) {
      // Mostly near the top, sometimes at the table's end.
      const int top = pick(0, 4) == 0 ? pick(1390, kRows) : pick(1, 12);
      const int left = pick(1, kColumns);
      const int bottom = std::min(kRows, top + pick(0, 2));
      const int right = std::min(kColumns, left + pick(0, 2));
      const std::string text = "t" + std::to_string(step);
      Select(top, left, bottom, right);
      QString what;
      switch (pick(0, 9)) {
        case 0:  // typing into the current cell
          what = "type";
          Select(top, left, top, left);
          Type(Q(text));
          Key(Qt::Key_Return);
          expected[top - 1][left - 1] = text;
          break;
        case 1: {  // a paste of two rows of two cells
          what = "paste";
          QApplication::clipboard()->setText(Q(text + "a\t" + text + "b\n" + text + "c\t\n"));
          Key(Qt::Key_V, Qt::ControlModifier);
          const std::string block[2][2] = {{text + "a", text + "b"}, {text + "c", ""}};
          for (int r = 0; r < 2 && top + r <= kRows; ++r)
            for (int c = 0; c < 2 && left + c <= kColumns; ++c)
              expected[top + r - 1][left + c - 1] = block[r][c];
          break;
        }
        case 2:
        case 3:  // cut and Delete empty the selection
          what = pick(0, 1) ? "cut" : "delete";
          Key(what == "cut" ? Qt::Key_X : Qt::Key_Delete,
              what == "cut" ? Qt::ControlModifier : Qt::NoModifier);
          for (int r = top; r <= bottom; ++r)
            for (int c = left; c <= right; ++c) expected[r - 1][c - 1].clear();
          break;
        case 4:
          what = "fill down";
          Key(Qt::Key_D, Qt::ControlModifier);
          for (int c = left; c <= right; ++c) {
            const int source = top == bottom ? top - 1 : top;
            for (int r = top == bottom ? top : top + 1; source >= 1 && r <= bottom; ++r)
              expected[r - 1][c - 1] = expected[source - 1][c - 1];
          }
          break;
        case 5: {
          what = "insert rows";
          const int count = bottom - top + 1;
          bool room = true;
          for (int r = kRows - count + 1; r <= kRows; ++r) room = room && RowEmpty(expected[r - 1]);
          Key(Qt::Key_Plus, Qt::ControlModifier);
          if (room) {
            expected.erase(expected.end() - count, expected.end());
            expected.insert(expected.begin() + (top - 1), count, {});
          } else {
            QCOMPARE(platform_->messages.shown.size(), std::size_t(1));
            platform_->messages.Clear();
          }
          break;
        }
        case 6:
          what = "delete rows";
          Key(Qt::Key_Minus, Qt::ControlModifier);
          expected.erase(expected.begin() + (top - 1), expected.begin() + bottom);
          expected.resize(kRows);
          break;
        case 7:
        case 8: {
          const bool up = pick(0, 1) == 1;
          what = up ? "move up" : "move down";
          if (left == kDataTypeColumn && top == bottom && right == left) Select(top, 2, top, 2);
          Key(up ? Qt::Key_Up : Qt::Key_Down, Qt::AltModifier);
          if (up && top > 1)
            std::rotate(expected.begin() + (top - 2), expected.begin() + (top - 1), expected.begin() + bottom);
          if (!up && bottom < kRows)
            std::rotate(expected.begin() + (top - 1), expected.begin() + bottom, expected.begin() + bottom + 1);
          break;
        }
        case 9: {  // an import of two rows replaces everything
          what = "import";
          const std::string csv = *folder_ / "session.csv";
          WriteFileBytes(csv, "Coil Status,1,1.2.3.4,5,6," + text + "\nInput Status,2,1.2.3.5,7,8,\n");
          platform_->files.answers.push_back(csv);
          Key(Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
          expected.assign(kRows, {});
          expected[0] = {"Coil Status", "1", "1.2.3.4", "5", "6", text};
          expected[1] = {"Input Status", "2", "1.2.3.5", "7", "8", ""};
          break;
        }
      }
      log << QString("%1: %2 at %3,%4-%5,%6").arg(step).arg(what).arg(top).arg(left).arg(bottom).arg(right);
      QVERIFY2(Snapshot() == expected, qPrintable(log.join('\n')));
      if (states.back() != expected) states.push_back(expected);
    }
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(History()->count(), int(states.size()) - 1);

    for (int i = int(states.size()) - 2; i >= 0; --i) {
      Key(Qt::Key_Z, Qt::ControlModifier);
      QVERIFY2(Snapshot() == states[std::size_t(i)], qPrintable(QString("undo to state %1").arg(i)));
    }
    QVERIFY(!Actions().undo->isEnabled());
    QVERIFY(!Model()->IsModified());
    for (std::size_t i = 1; i < states.size(); ++i) {
      // Both redo keys.
      if (i % 2)
        Key(Qt::Key_Y, Qt::ControlModifier);
      else
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      QVERIFY2(Snapshot() == states[i], qPrintable(QString("redo to state %1").arg(i)));
    }
    QVERIFY(!Actions().redo->isEnabled());
  }

  void undoAndRedoSayWhatTheyWouldUndo_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("step");
    QTest::newRow("typing") << int(Qt::Key_X) << int(Qt::NoModifier) << "Typing";
    QTest::newRow("paste") << int(Qt::Key_V) << int(Qt::ControlModifier) << "Paste";
    QTest::newRow("cut") << int(Qt::Key_X) << int(Qt::ControlModifier) << "Cut";
    QTest::newRow("delete") << int(Qt::Key_Delete) << int(Qt::NoModifier) << "Delete";
    QTest::newRow("fill down") << int(Qt::Key_D) << int(Qt::ControlModifier) << "Fill Down";
    QTest::newRow("insert rows") << int(Qt::Key_Plus) << int(Qt::ControlModifier) << "Insert Rows";
    QTest::newRow("delete rows") << int(Qt::Key_Minus) << int(Qt::ControlModifier) << "Delete Rows";
    QTest::newRow("move up") << int(Qt::Key_Up) << int(Qt::AltModifier) << "Move Rows Up";
    QTest::newRow("move down") << int(Qt::Key_Down) << int(Qt::AltModifier) << "Move Rows Down";
  }

  void undoAndRedoSayWhatTheyWouldUndo() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, step);
    Open();
    QCOMPARE(MenuTexts().mid(0, 2), (QStringList{"Undo\tCtrl+Z", "Redo\tCtrl+Y"}));
    SetCell(2, 2, "a");
    SetCell(3, 2, "b");
    History()->clear();
    QApplication::clipboard()->setText("p");
    Select(2, 2, 3, 3);
    if (step == "Typing") Select(2, 2, 2, 2);
    Key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (step == "Typing") Key(Qt::Key_Return);
    QCOMPARE(MenuTexts().mid(0, 2), (QStringList{"Undo " + step + "\tCtrl+Z", "Redo\tCtrl+Y"}));
    QCOMPARE(ShownMenu().mid(0, 2), MenuTexts().mid(0, 2));
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(MenuTexts().mid(0, 2), (QStringList{"Undo\tCtrl+Z", "Redo " + step + "\tCtrl+Y"}));
    QVERIFY(!Model()->IsModified());
  }

  void historyLastsOneOpening() {
    Open();
    SetCell(1, 2, "5");
    QVERIFY(Actions().undo->isEnabled());
    QTest::mouseClick(dialog_->bitbtn2, Qt::LeftButton);
    Open();
    QVERIFY(!Actions().undo->isEnabled());
    QCOMPARE(Cell(1, 2), QString());
    QCOMPARE(History()->count(), 0);
  }

  void aTypedCellStepHoldsOnlyThatCell() {
    Open();
    for (int row = 1; row <= kRows; ++row) SetCell(row, kMnemonicColumn, QString(200, 'm'));
    const QUndoCommand* step = History()->command(History()->count() - 1);
    QCOMPARE(step->text(), QString("Typing"));
    QCOMPARE(step->childCount(), 1);  // one cell's old and new text, no copy of the table
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Cell(kRows, kMnemonicColumn), QString());
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(kRows, kMnemonicColumn));
  }

  // --- Rows ------------------------------------------------------------------

  void insertIsRefusedWhenItWouldPushRowsOut() {
    Open();
    SetCell(1399, kMnemonicColumn, "last but one");
    History()->clear();
    const Cells before = Snapshot();
    Select(5, 2, 6, 2);
    Key(Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(Lines(), QStringList{"Message: Cannot insert 2 rows: the table always holds 1400 rows, "
                                  "and rows 1399 to 1400 at its end are not empty. Delete rows at "
                                  "the end first."});
    QVERIFY(Snapshot() == before);
    QCOMPARE(History()->count(), 0);
    Select(5, 2, 5, 2);  // one row still fits
    Key(Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(Cell(kRows, kMnemonicColumn), QString("last but one"));
    QCOMPARE(Model()->rowCount(), kRows);
  }

  void wholeRowsMoveWithAltDownFromAnyColumn() {
    Open();
    FillRow(1, "Coil Status", "1");
    FillRow(2, "Input Status", "2");
    QHeaderView* numbers = dialog_->sga->verticalHeader();
    QTest::mouseClick(numbers->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(10, numbers->sectionViewportPosition(0) + 5));
    Key(Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(Cell(1, kAddressRtuColumn), QString("2"));
    QCOMPARE(Cell(2, kAddressRtuColumn), QString("1"));
    QVERIFY(!dialog_->sga->IsEditing());
    Key(Qt::Key_Up, Qt::AltModifier);  // the moved row is still selected
    QCOMPARE(Cell(1, kAddressRtuColumn), QString("1"));
  }

  // --- Duplicate rows --------------------------------------------------------

  void duplicateRowsCopiesBelowTheLastRowInUse() {
    Open();
    FillRow(1, "Coil Status", "100", "10.0.0.1", "1", "10");
    FillRow(2, "Input Status", "105", "10.0.0.1", "2", "10");
    FillRow(3, "Input Status", "300", "10.0.0.9", "3", "1");
    Select(1, 3, 2, 3);
    Key(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    DuplicateRowsDialog* ask = dialog_->duplicateRows;
    QVERIFY(ask->isVisible());
    QCOMPARE(ask->L_Rows->text(), QString("Copy rows 1 to 2 below row 3."));
    QCOMPARE(ask->E_Offset->text(), QString("15"));  // right after the originals' range 100..114
    QCOMPARE(ask->E_Ip->text(), QString("10.0.0.1"));
    ask->E_Ip->setText("10.0.0.002");
    QTest::mouseClick(ask->btn_ok, Qt::LeftButton);
    QVERIFY(!ask->isVisible());
    Reactivate();
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(RowTexts(4), QStringList({"Coil Status", "115", "10.0.0.2", "1", "10", "Boiler"}));
    QCOMPARE(RowTexts(5), QStringList({"Input Status", "120", "10.0.0.2", "2", "10", "Boiler"}));
    QCOMPARE(Actions().undo->text(), QString("Undo Duplicate Rows\tCtrl+Z"));
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Cell(4, kAddressRtuColumn), QString());
  }

  void duplicateRowsRefusals_data() {
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("gapRow");  // a row above the copies left without Address RTU
    QTest::addColumn<QString>("message");
    QTest::newRow("offset no number") << "1O" << "1.2.3.4" << ""
        << "Error!! RTU address offset must be between -65535 and 65535. ";
    QTest::newRow("offset too large") << "65536" << "1.2.3.4" << ""
        << "Error!! RTU address offset must be between -65535 and 65535. ";
    QTest::newRow("address beyond 65535") << "65500" << "1.2.3.4" << ""
        << "Error!! Address RTU of row 1 plus the offset must be between 0 and 65535. ";
    QTest::newRow("address below 0") << "-101" << "1.2.3.4" << ""
        << "Error!! Address RTU of row 1 plus the offset must be between 0 and 65535. ";
    QTest::newRow("ip") << "5" << "1.2.3" << ""
        << "Error!! Address Device TCP [1.2.3] must be a valid TCP IP Address (Ex. 192.168.1.125). ";
    QTest::newRow("copies would not be saved") << "5" << "1.2.3.4" << "2"
        << "Error!! Row 2 has no Address RTU, so the rows below it are not saved. Fill or delete row 2 first. ";
  }

  void duplicateRowsRefusals() {
    QFETCH(QString, offset);
    QFETCH(QString, ip);
    QFETCH(QString, gapRow);
    QFETCH(QString, message);
    Open();
    FillRow(1);
    FillRow(2);
    FillRow(3);
    if (!gapRow.isEmpty()) SetCell(gapRow.toInt(), kAddressRtuColumn, "");
    History()->clear();
    Select(1, 2, 1, 2);
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_duplicate"), Qt::LeftButton);
    DuplicateRowsDialog* ask = dialog_->duplicateRows;
    ask->E_Offset->setText(offset);
    ask->E_Ip->setText(ip);
    QTest::mouseClick(ask->btn_ok, Qt::LeftButton);
    QCOMPARE(Lines(), QStringList{"Error: " + message});
    QVERIFY(ask->isVisible());  // the user corrects the field
    QCOMPARE(History()->count(), 0);
    ask->reject();
  }

  void duplicateRowsWithoutRoomIsRefusedBeforeAsking() {
    Open();
    FillRow(1);
    FillRow(2);
    SetCell(1399, kMnemonicColumn, "end");
    Select(1, 2, 2, 2);
    Key(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Lines(), QStringList{"Message: Cannot duplicate rows 1 to 2: the copies go below row "
                                  "1399, the last row in use, and the table ends at row 1400."});
    QVERIFY(!dialog_->duplicateRows->isVisible());
  }

  // --- Find --------------------------------------------------------------------

  void findGoesFromMatchToMatchAndAround() {
    Open();
    SetCell(3, kMnemonicColumn, "Boiler pump");
    SetCell(900, kDeviceIpColumn, "10.0.0.1");
    SetCell(1400, kDataTypeColumn, "boiler");
    Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_Find));
    QTest::keyClicks(dialog_->E_Find, "BOILER");
    Key(Qt::Key_Return);
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(3, kMnemonicColumn));
    Key(Qt::Key_F3);
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(1400, kDataTypeColumn));
    Key(Qt::Key_F3);  // around to the top
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(3, kMnemonicColumn));
    Key(Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(1400, kDataTypeColumn));
    Key(Qt::Key_Escape);  // back to the grid, the dialog stays
    QVERIFY(dialog_->isVisible());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->sga));
    dialog_->E_Find->setText("nowhere");
    Key(Qt::Key_F3);
    QCOMPARE(Lines(), QStringList{"Message: No cell holds \"nowhere\"."});
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(1400, kDataTypeColumn));
  }

  // --- CSV import and export ----------------------------------------------------

  void importReplacesTheGridAsOneStep() {
    WriteTable(store_->Fields().VarPath, {TMyRec{1, 7, {1, 2, 3, 4}, 5, 6, "old"}});
    const std::string before = ReadFileBytes(store_->Fields().VarPath);
    // As a spreadsheet program saves it: semicolons, byte order mark, quotes.
    const std::string csv = *folder_ / "points.csv";
    WriteFileBytes(csv, "\xEF\xBB\xBF" "data type;address rtu;Address Device TCP;Address TCP;N\xC2\xB0 Point;Mnemonic\r\n"
                        "Holding Register;$64;192.168.1.20;40001;10;\"Boiler; \"\"hot\"\"\"\r\n"
                        "\r\n"
                        "1;0x10;10.0.0.5;1;8;pr\xC3\xA9ssure\r\n");
    Open();
    SetCell(900, kMnemonicColumn, "typed before the import");
    platform_->files.answers.push_back(csv);
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_import"), Qt::LeftButton);
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(platform_->files.calls.size(), std::size_t(1));
    QCOMPARE(platform_->files.calls[0].start, folder_->str());
    QCOMPARE(RowTexts(1), QStringList({"Holding Register", "100", "192.168.1.20", "40001", "10", "Boiler; \"hot\""}));
    QCOMPARE(RowTexts(2), QStringList({"Coil Status", "16", "10.0.0.5", "1", "8", QString::fromUtf8("pr\xC3\xA9ssure")}));
    QCOMPARE(RowTexts(900), QStringList({"", "", "", "", "", ""}));
    QCOMPARE(Actions().undo->text(), QString("Undo Import CSV\tCtrl+Z"));
    QCOMPARE(ReadFileBytes(store_->Fields().VarPath), before);  // nothing written before OK
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Cell(1, kMnemonicColumn), QString("old"));
    QCOMPARE(Cell(900, kMnemonicColumn), QString("typed before the import"));
  }

  void importWithRefusedLinesChangesNothing_data() {
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QString>("message");
    QTest::newRow("two lines refused") << "Coil Status,1,1.2.3.4,1,1,ok\n"
                                          "Coils,2,1.2.3.4,1,1,x\n"
                                          "Coil Status,3,1.2.3.4,70000,1,x\n"
        << "Error: Nothing was imported from \"{path}\": 2 lines were refused.\n\n"
           "Line 2: {type}\nLine 3: Error!! Address TCP must be between 0 and 65535.";
    QTest::newRow("no such file") << "" << "General error: {reading}";
  }

  void importWithRefusedLinesChangesNothing() {
    QFETCH(QString, csv);
    QFETCH(QString, message);
    const std::string path = *folder_ / "points.csv";
    if (!csv.isEmpty()) WriteFileBytes(path, csv.toStdString());
    std::string reading, dataType;
    try {
      ReadDocumentBytes(path);
    } catch (const Error& error) {
      reading = GeneralErrorText(error.what());
    }
    if (!csv.isEmpty()) dataType = ReadTranslateCsv("Coils,2,1.2.3.4,1,1,x").refusals.at(0).reason;
    Open();
    FillRow(1);
    History()->clear();
    const Cells before = Snapshot();
    platform_->files.answers.push_back(path);
    Key(Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    message.replace("{path}", Q(path)).replace("{type}", Q(dataType)).replace("{reading}", Q(reading));
    QCOMPARE(Lines(), QStringList{message});
    QVERIFY(Snapshot() == before);
    QCOMPARE(History()->count(), 0);
  }

  void importNamesEveryRefusedLineInTheDetails() {
    std::string csv;
    for (int line = 1; line <= 14; ++line) csv += "Coil Status,1,1.2.3.4,1,200,x\n";
    const std::string path = *folder_ / "many.csv";
    WriteFileBytes(path, csv);
    Open();
    platform_->files.answers.push_back(path);
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_import"), Qt::LeftButton);
    const QString point = QString::fromUtf8("Error!! N\xC2\xB0 Point must be between 0 and 127.");
    QStringList lines;
    for (int line = 1; line <= 14; ++line) lines << QString("Line %1: %2").arg(line).arg(point);
    // The box names twelve; its details (here after a blank line) name all.
    QCOMPARE(Lines(), QStringList{"Error: Nothing was imported from \"" + Q(path) + "\": 14 lines were refused.\n\n" +
                                  lines.mid(0, 12).join('\n') + "\n\u2026 and 2 more (the details list every refused line).\n\n" +
                                  lines.join('\n')});
  }

  void exportWritesTheGridAsItStands() {
    Open();
    FillRow(1, "holding register", "0x10");
    SetCell(1, kMnemonicColumn, "a, \"b\"");
    FillRow(3);  // below the first empty Address RTU: not part of the table
    const std::string path = *folder_ / "out.csv";
    platform_->files.answers.push_back(path);
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_export"), Qt::LeftButton);
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(platform_->files.calls.at(0).start, *folder_ / folder_->path().filename().string() + ".csv");
    QVERIFY(platform_->files.calls.at(0).save);
    QCOMPARE(ReadFileBytes(path), std::string("\xEF\xBB\xBF" "Data Type,Address RTU,Address Device TCP,Address TCP,N\xC2\xB0 Point,Mnemonic\r\n"
                                              "Holding Register,16,192.168.1.125,40001,8,\"a, \"\"b\"\"\"\r\n"));
    QVERIFY(!QFile::exists(Q(store_->Fields().VarPath)));

    // Into a folder that is not there: the general error box, nothing written.
    const std::string nowhere = *folder_ / "gone/out.csv";
    std::string systemText;
    try {
      WriteFileAtomically(nowhere, "x");
    } catch (const Error& error) {
      systemText = GeneralErrorText(error.what());
    }
    platform_->files.answers.push_back(nowhere);
    Key(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Lines(), QStringList{"General error: " + Q(systemText)});
  }

  // --- Mapping warnings --------------------------------------------------------

  void warningsMarkTheirRowsAndFollowTheTyping_data() {
    QTest::addColumn<QString>("pargen");
    QTest::addColumn<QStringList>("warnings");
    const QString overlap = "Row 2 maps Holding Register RTU addresses 105 to 109, which row 1 already maps.";
    const QString noPoints = QString::fromUtf8("Row 4 maps no points (N\xC2\xB0 Point is 0).");
    QTest::newRow("gateway 192.168.1.10/24")
        << "192.168.1.10" << QStringList{overlap,
               "Row 3's device 10.0.0.5 is outside the gateway's network 192.168.1.0 (subnet mask "
               "255.255.255.0) and no default gateway is set.",
               noPoints};
    QTest::newRow("no pargen.xml: network checks left out") << "" << QStringList{overlap, noPoints};
    QTest::newRow("unreadable pargen.xml: the same") << "<General_Parameter" << QStringList{overlap, noPoints};
  }

  void warningsMarkTheirRowsAndFollowTheTyping() {
    QFETCH(QString, pargen);
    QFETCH(QStringList, warnings);
    if (pargen.startsWith('<')) {
      WriteFileBytes(store_->Fields().ParGenPath, pargen.toStdString());
    } else if (!pargen.isEmpty()) {
      GeneralParameters parameters;
      parameters.ip = {"192", "168", "1", "10"};
      WriteGeneralParameters(store_->Fields().ParGenPath, parameters);
    }
    WriteTable(store_->Fields().VarPath, {TMyRec{3, 100, {192, 168, 1, 20}, 1, 10, "a"},
                                          TMyRec{3, 105, {192, 168, 1, 21}, 1, 10, "b"},
                                          TMyRec{1, 0, {10, 0, 0, 5}, 1, 8, "c"},
                                          TMyRec{2, 0, {192, 168, 1, 22}, 1, 0, "d"}});
    Open();
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(dialog_->btn_warnings->text(), QString("%1 warnings").arg(warnings.size()));
    QCOMPARE(RowMarks(), (QStringList{"", warnings[0], pargen.isEmpty() || pargen.startsWith('<') ? "" : warnings[1], warnings.last()}));

    // The list; choosing a warning goes to the cell it is about.
    QTest::mouseClick(dialog_->btn_warnings, Qt::LeftButton);
    QListWidget* list = dialog_->warningsWindow->List();
    QVERIFY(dialog_->warningsWindow->isVisible());
    QStringList listed;
    for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
    QCOMPARE(listed, warnings);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(list->count() - 1)).center());
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(4, kPointCountColumn));

    // Typing ends the overlap: the mark, the count and the open list follow.
    Reactivate();
    dialog_->sga->setCurrentIndex(Model()->IndexOf(2, kAddressRtuColumn));
    Type("200");
    Key(Qt::Key_Return);
    QCOMPARE(RowMarks()[1], QString());
    QCOMPARE(dialog_->btn_warnings->text(), warnings.size() == 2 ? QString("1 warning") : QString("2 warnings"));
    QCOMPARE(list->count(), int(warnings.size()) - 1);
  }

  void escapeAsksBeforeDroppingChanges_data() {
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("undoIt");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<bool>("closed");
    QTest::newRow("no change: closes") << false << false << QList<bool>{} << true;
    QTest::newRow("change undone: closes") << true << true << QList<bool>{} << true;
    QTest::newRow("change, No: back to the grid") << true << false << QList<bool>{false} << false;
    QTest::newRow("change, Yes: closes") << true << false << QList<bool>{true} << true;
  }

  void escapeAsksBeforeDroppingChanges() {
    QFETCH(bool, edit);
    QFETCH(bool, undoIt);
    QFETCH(QList<bool>, answers);
    QFETCH(bool, closed);
    Open();
    if (edit) {
      Type("12");
      Key(Qt::Key_Return);
    }
    if (undoIt) Key(Qt::Key_Z, Qt::ControlModifier);
    Type("abandoned");
    Key(Qt::Key_Escape);  // the first Escape only ends the cell edit
    QVERIFY(dialog_->isVisible());
    for (bool answer : answers) platform_->messages.answers.push_back(answer);
    Key(Qt::Key_Escape);
    QStringList asked;
    for (int i = 0; i < answers.size(); ++i)
      asked << "Question: The translate table has changes that are not saved. Discard them and close?";
    QCOMPARE(Lines(), asked);
    QCOMPARE(dialog_->isVisible(), !closed);
    if (!closed) QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->sga));
    QVERIFY(!QFile::exists(Q(store_->Fields().VarPath)));
  }

  void cancelWithChangesClosesWithoutAsking() {
    Open();
    Type("12");
    Key(Qt::Key_Return);
    QTest::mouseClick(dialog_->bitbtn2, Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(Lines(), QStringList());
  }

  void ctrlReturnPressesOkFromAnywhere_data() {
    QTest::addColumn<QString>("from");
    QTest::newRow("grid") << "grid";
    QTest::newRow("open cell editor") << "editor";
    QTest::newRow("Cancel button") << "cancel";
    QTest::newRow("keypad Enter") << "keypad";
  }

  void ctrlReturnPressesOkFromAnywhere() {
    QFETCH(QString, from);
    Open();
    FillRow(1);
    dialog_->sga->setCurrentIndex(Model()->IndexOf(1, kAddressRtuColumn));
    if (from == "editor") Type("77");  // committed before OK checks the grid
    if (from == "cancel") dialog_->bitbtn2->setFocus();
    if (from == "keypad")
      Key(Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    else
      Key(Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(Lines(), QStringList());
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QCOMPARE(ReadTable(store_->Fields().VarPath)[0].values[1], std::string(from == "editor" ? "77" : "100"));
  }

  void ctrlTabLeavesTheGridAndComesBack() {
    Open();
    Type("5");  // an open edit is committed on the way out
    Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->bitbtn1));
    QCOMPARE(Cell(1, kDataTypeColumn), QString("5"));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->bitbtn2));
    Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->sga));
    Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);  // around to the last button
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_Find));
  }

  void f4AndAltDownOpenTheDataTypeList_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("selectedRows");
    QTest::addColumn<bool>("listOpens");
    QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier) << int(kDataTypeColumn) << 1 << true;
    QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier) << int(kDataTypeColumn) << 1 << true;
    QTest::newRow("Alt+Down, two cells: rows move") << int(Qt::Key_Down) << int(Qt::AltModifier)
                                                     << int(kDataTypeColumn) << 2 << false;
    QTest::newRow("Alt+Down, other column: rows move") << int(Qt::Key_Down) << int(Qt::AltModifier)
                                                        << int(kMnemonicColumn) << 1 << false;
    QTest::newRow("F4, other column: nothing") << int(Qt::Key_F4) << int(Qt::NoModifier)
                                                << int(kMnemonicColumn) << 1 << false;
  }

  void f4AndAltDownOpenTheDataTypeList() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, column);
    QFETCH(int, selectedRows);
    QFETCH(bool, listOpens);
    Open();
    FillRow(3, "input register");
    History()->clear();
    Select(3, column, 3 + selectedRows - 1, column);
    Key(Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    auto* combo = dialog_->sga->findChild<QComboBox*>("DataTypeEditor");
    QCOMPARE(combo && combo->view()->isVisible(), listOpens);
    if (!listOpens) {
      QCOMPARE(History()->count(), key == Qt::Key_F4 ? 0 : 1);
      return;
    }
    QCOMPARE(combo->view()->currentIndex().row(), 3);  // on the cell's name
    QTest::keyClick(combo->view(), Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QApplication::processEvents();
    QCOMPARE(Cell(3, kDataTypeColumn), QString("Holding Register"));
    QVERIFY(!dialog_->sga->IsEditing());
  }

  // --- The clipboard -----------------------------------------------------------

  void ctrlVInAnOpenEditorPastesSeveralCells_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QStringList>("row2");
    QTest::addColumn<bool>("editing");
    QTest::newRow("one value goes into the editor")
        << int(kMnemonicColumn) << "pasted" << QStringList{"", "", "", "", "", "tyPasted"} << true;
    QTest::newRow("one quoted cell goes into the editor as its text")
        << int(kMnemonicColumn) << "\"5\"\" pipe\"\r\n" << QStringList{"", "", "", "", "", "ty5\" pipe"} << true;
    QTest::newRow("two cells end the edit")
        << int(kPointCountColumn) << "8\tpump\n" << QStringList{"", "", "", "", "8", "pump"} << false;
    QTest::newRow("two lines end the edit in the Data Type list")
        << int(kDataTypeColumn) << "Coil Status\nInput Status"
        << QStringList{"Coil Status", "", "", "", "", ""} << false;
  }

  void ctrlVInAnOpenEditorPastesSeveralCells() {
    QFETCH(int, column);
    QFETCH(QString, clipboard);
    QFETCH(QStringList, row2);
    QFETCH(bool, editing);
    Open();
    dialog_->sga->setCurrentIndex(Model()->IndexOf(2, column));
    Type("ty");
    QApplication::clipboard()->setText(clipboard == "pasted" ? "Pasted" : clipboard);
    Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(dialog_->sga->IsEditing(), editing);
    if (editing) Key(Qt::Key_Return);
    QCOMPARE(RowTexts(2), row2);
    QCOMPARE(Actions().undo->text(), QString(editing ? "Undo Typing\tCtrl+Z" : "Undo Paste\tCtrl+Z"));
  }

 private:
  // The offscreen platform leaves no window active after a popup or a child
  // window closes; a window manager gives the activation back.
  void Reactivate() {
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }

  QUndoStack* History() const { return Model()->UndoStack(); }
  const TFSetVar::Commands& Actions() const { return dialog_->Actions(); }

  QStringList RowTexts(int row) const {
    QStringList texts;
    for (int column = 1; column <= kColumns; ++column) texts << Cell(row, column);
    return texts;
  }

  Cells Snapshot() const {
    Cells cells(kRows);
    for (int row = 1; row <= kRows; ++row)
      for (int column = 1; column <= kColumns; ++column)
        cells[std::size_t(row - 1)][std::size_t(column - 1)] = Model()->Grid().Cell(row, column);
    return cells;
  }
  static bool RowEmpty(const std::array<std::string, kColumns>& row) {
    return std::all_of(row.begin(), row.end(), [](const std::string& s) { return s.empty(); });
  }

  // The texts of the grid's menu, and of the menu as it pops up.
  QStringList MenuTexts() const {
    QStringList texts;
    for (QAction* action : dialog_->sga->actions())
      if (!action->isSeparator()) texts << action->text();
    return texts;
  }
  QStringList ShownMenu() {
    QStringList texts;
    QTimer::singleShot(0, [&texts] {
      if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        for (QAction* action : menu->actions())
          if (!action->isSeparator()) texts << action->text();
        menu->close();
      }
    });
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(dialog_->sga->viewport(), &event);
    Reactivate();
    return texts;
  }

  // Each of rows 1 to 4: the warnings its number's mark shows, none without a mark.
  QStringList RowMarks() const {
    QStringList marks;
    for (int section = 0; section < 4; ++section) {
      const QVariant tip = Model()->headerData(section, Qt::Vertical, Qt::ToolTipRole);
      const bool mark = !Model()->headerData(section, Qt::Vertical, Qt::DecorationRole).isNull();
      if (mark != tip.isValid()) return {"mark and tooltip disagree on row " + QString::number(section + 1)};
      marks << tip.toString();
    }
    return marks;
  }

  QStringList Lines() const {
    QStringList lines;
    for (const ShownMessage& m : platform_->messages.shown) {
      const char* kind = m.kind == ShownMessage::Error      ? "Error: "
                         : m.kind == ShownMessage::Question ? "Question: "
                         : m.kind == ShownMessage::Plain    ? "Message: "
                                                            : "General error: ";
      lines << kind + Q(m.text);
    }
    return lines;
  }

};

FABRION_WIDGET_TEST(TranslateTableWorkbenchTest);

}  // namespace fabrion::test

#include "translate_table_workbench_test.moc"
