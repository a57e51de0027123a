// The Set Translate Table dialog's commands beyond OK and Cancel, driven by
// keys and clicks: undo and redo, row commands, duplicate rows, find, CSV
// import and export, mapping warnings, the keyboard paths and the clipboard.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QRegularExpression>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <array>
#include <random>

#include "documents/pargen_document.h"
#include "documents/translate_csv.h"
#include "documents/xml_load.h"
#include "editors/duplicate_rows_dialog.h"
#include "editors/mapping_warnings_window.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "translate_table_fixture.h"
#include "widget_test_registry.h"

namespace fabrion::test {
namespace {

constexpr int kRows = kMaxTranslateRows;
constexpr int kColumns = kGridColumns - 1;
const QString kUndoKey = "\tCtrl+Z";

// The grid's data cells as plain texts: the reference a session is checked against.
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
    WriteTable(store_->Fields().VarPath, {TMyRec{3, 100, {10, 0, 0, 1}, 1, 8, "a"}});
    Open();
    Cells expected = Snapshot();
    std::vector<Cells> states{expected};
    QStringList log;
    std::mt19937 random(1400);
    auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int step = 0; step < 90; ++step) {
      // Mostly near the top, sometimes at the table's end.
      const int top = pick(0, 4) == 0 ? pick(1390, kRows) : pick(1, 12);
      const int left = pick(1, kColumns);
      const int bottom = std::min(kRows, top + pick(0, 2)), right = std::min(kColumns, left + pick(0, 2));
      const std::string text = "t" + std::to_string(step);
      auto area = [&](const std::string& to) {
        for (int r = top; r <= bottom; ++r)
          for (int c = left; c <= right; ++c) expected[r - 1][c - 1] = to;
      };
      Select(top, left, bottom, right);
      const char* what[] = {"type", "paste", "cut", "delete", "fill down", "insert rows",
                            "delete rows", "move up", "move down", "import"};
      const int kind = pick(0, 9);
      switch (kind) {
        case 0:
          Select(top, left, top, left);
          Type(Q(text));
          Key(Qt::Key_Return);
          expected[top - 1][left - 1] = text;
          break;
        case 1: {  // two rows of two cells
          QApplication::clipboard()->setText(Q(text + "a\t" + text + "b\n" + text + "c\t\n"));
          Keys("Ctrl+V");
          const std::string block[2][2] = {{text + "a", text + "b"}, {text + "c", ""}};
          const bool fits = top + 1 <= kRows && left + 1 <= kColumns;  // else refused whole
          for (int r = 0; fits && r < 2; ++r)
            for (int c = 0; c < 2; ++c) expected[top + r - 1][left + c - 1] = block[r][c];
          QCOMPARE(platform_->messages.shown.size(), std::size_t(fits ? 0 : 1));
          platform_->messages.Clear();
          break;
        }
        case 2:
        case 3:
          Keys(kind == 2 ? "Ctrl+X" : "Del");
          area("");
          break;
        case 4:
          Keys("Ctrl+D");
          for (int c = left; c <= right; ++c) {
            const int source = top == bottom ? top - 1 : top;
            for (int r = top == bottom ? top : top + 1; source >= 1 && r <= bottom; ++r)
              expected[r - 1][c - 1] = expected[source - 1][c - 1];
          }
          break;
        case 5: {
          const int count = bottom - top + 1;
          const bool room = std::all_of(expected.end() - count, expected.end(), [](const auto& row) {
            return std::all_of(row.begin(), row.end(), [](const std::string& s) { return s.empty(); });
          });
          Keys("Ctrl++");
          if (room) {
            expected.erase(expected.end() - count, expected.end());
            expected.insert(expected.begin() + (top - 1), count, {});
          }
          QCOMPARE(platform_->messages.shown.size(), std::size_t(room ? 0 : 1));
          platform_->messages.Clear();
          break;
        }
        case 6:
          Keys("Ctrl+-");
          expected.erase(expected.begin() + (top - 1), expected.begin() + bottom);
          expected.resize(kRows);
          break;
        case 7:
        case 8:
          if (kind == 8 && left == kDataTypeColumn && top == bottom && right == left) Select(top, 2, top, 2);
          Keys(kind == 7 ? "Alt+Up" : "Alt+Down");
          if (kind == 7 && top > 1)
            std::rotate(expected.begin() + (top - 2), expected.begin() + (top - 1), expected.begin() + bottom);
          if (kind == 8 && bottom < kRows)
            std::rotate(expected.begin() + (top - 1), expected.begin() + bottom, expected.begin() + bottom + 1);
          break;
        case 9: {  // two rows replace everything
          const std::string csv = *folder_ / "session.csv";
          WriteFileBytes(csv, "Coil Status,1,1.2.3.4,5,6," + text + "\nInput Status,2,1.2.3.5,7,8,\n");
          platform_->files.answers.push_back(csv);
          Keys("Ctrl+Shift+I");
          expected.assign(kRows, {});
          expected[0] = {"Coil Status", "1", "1.2.3.4", "5", "6", text};
          expected[1] = {"Input Status", "2", "1.2.3.5", "7", "8", ""};
          break;
        }
      }
      log << QString("%1: %2 at %3,%4-%5,%6").arg(step).arg(what[kind]).arg(top).arg(left).arg(bottom).arg(right);
      QVERIFY2(Snapshot() == expected, qPrintable(log.join('\n')));
      if (states.back() != expected) states.push_back(expected);
    }
    QCOMPARE(History()->count(), int(states.size()) - 1);  // one step a change

    for (int i = int(states.size()) - 2; i >= 0; --i) {
      Keys("Ctrl+Z");
      QVERIFY2(Snapshot() == states[std::size_t(i)], qPrintable(QString("undo to state %1").arg(i)));
    }
    QVERIFY(!Action("undoAction")->isEnabled());
    QVERIFY(!Model()->IsModified());
    for (std::size_t i = 1; i < states.size(); ++i) {
      Keys(i % 2 ? "Ctrl+Y" : "Ctrl+Shift+Z");
      QVERIFY2(Snapshot() == states[i], qPrintable(QString("redo to state %1").arg(i)));
    }
    QVERIFY(!Action("redoAction")->isEnabled());
  }

  void theMenuSaysWhatUndoAndRedoWouldDo_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("step");
    const QStringList rows = {"x:Typing", "Ctrl+V:Paste", "Ctrl+X:Cut", "Del:Delete", "Ctrl+D:Fill Down",
                              "Ctrl++:Insert Rows", "Ctrl+-:Delete Rows", "Alt+Up:Move Rows Up",
                              "Alt+Down:Move Rows Down"};
    for (const QString& row : rows)
      QTest::newRow(qPrintable(row)) << row.section(':', 0, 0) << row.section(':', 1);
  }

  void theMenuSaysWhatUndoAndRedoWouldDo() {
    QFETCH(QString, keys);
    QFETCH(QString, step);
    Open();
    QCOMPARE(ShownMenu().mid(0, 2), (QStringList{"Undo" + kUndoKey, "Redo\tCtrl+Y"}));
    SetCell(2, 2, "a");
    SetCell(3, 2, "b");
    History()->clear();
    QApplication::clipboard()->setText("p");
    Select(2, 2, keys == "x" ? 2 : 3, keys == "x" ? 2 : 3);
    if (keys == "x") {
      Type("x");
      Key(Qt::Key_Return);
    } else {
      Keys(keys);
    }
    QCOMPARE(ShownMenu().mid(0, 2), (QStringList{"Undo " + step + kUndoKey, "Redo\tCtrl+Y"}));
    Keys("Ctrl+Z");
    QCOMPARE(ShownMenu().mid(0, 2), (QStringList{"Undo" + kUndoKey, "Redo " + step + "\tCtrl+Y"}));
    QVERIFY(!Model()->IsModified());
  }

  void historyLastsOneOpeningAndCancelDoesNotAsk() {
    Open();
    SetCell(1, 2, "5");
    QTest::mouseClick(dialog_->bitbtn2, Qt::LeftButton);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(Lines(), QStringList());
    Open();
    QCOMPARE(Cell(1, 2), QString());
    QCOMPARE(History()->count(), 0);
  }

  // --- Rows ------------------------------------------------------------------

  void insertIsRefusedWhenItWouldPushRowsOut() {
    Open();
    SetCell(1399, kMnemonicColumn, "last but one");
    History()->clear();
    Select(5, 2, 6, 2);
    Keys("Ctrl++");
    QCOMPARE(Lines(), QStringList{"Message: Cannot insert 2 rows: the table always holds 1400 rows, and "
                                  "rows 1399 to 1400 at its end are not empty. Delete rows at the end first."});
    QCOMPARE(History()->count(), 0);
    Select(5, 2, 5, 2);  // one row still fits
    Keys("Ctrl++");
    QCOMPARE(Cell(kRows, kMnemonicColumn), QString("last but one"));
  }

  void rowsPickedOnTheirNumbersMoveWithAltDown() {
    Open();
    FillRow(1, "Coil Status", "1");
    FillRow(2, "Input Status", "2");
    QHeaderView* numbers = dialog_->sga->verticalHeader();
    QTest::mouseClick(numbers->viewport(), Qt::LeftButton, {}, QPoint(10, numbers->sectionViewportPosition(0) + 5));
    Keys("Alt+Down");
    QCOMPARE(Cell(2, kAddressRtuColumn), QString("1"));
    QVERIFY(!dialog_->sga->IsEditing());
    Keys("Alt+Up");  // the moved row is still selected
    QCOMPARE(Cell(1, kAddressRtuColumn), QString("1"));
  }

  void duplicateRowsCopiesBelowTheLastRowInUse() {
    Open();
    FillRow(1, "Coil Status", "100", "10.0.0.1", "1", "10");
    FillRow(2, "Input Status", "105", "10.0.0.1", "2", "10");
    FillRow(3, "Input Status", "300", "10.0.0.9", "3", "1");
    Select(1, 3, 2, 3);
    Keys("Ctrl+Shift+D");
    DuplicateRowsDialog* ask = dialog_->duplicateRows;
    QVERIFY(ask->isVisible());
    QCOMPARE(ask->L_Rows->text(), QString("Copy rows 1 to 2 below row 3."));
    QCOMPARE(ask->E_Offset->text(), QString("15"));  // right after the originals' range 100..114
    QCOMPARE(ask->E_Ip->text(), QString("10.0.0.1"));
    ask->E_Ip->setText("10.0.0.002");
    QTest::mouseClick(ask->btn_ok, Qt::LeftButton);
    QVERIFY(!ask->isVisible());
    Reactivate();
    QCOMPARE(RowTexts(4), QStringList({"Coil Status", "115", "10.0.0.2", "1", "10", "Boiler"}));
    QCOMPARE(RowTexts(5), QStringList({"Input Status", "120", "10.0.0.2", "2", "10", "Boiler"}));
    QCOMPARE(Action("undoAction")->text(), "Undo Duplicate Rows" + kUndoKey);
  }

  // The refusals themselves are PlanDuplicateRows' (table/); here: the
  // window stays open for the user to correct, and one refusal comes before it opens.
  void duplicateRowsRefusals() {
    Open();
    for (int row = 1; row <= 3; ++row) FillRow(row);
    History()->clear();
    Select(1, 2, 1, 2);
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_duplicate"), Qt::LeftButton);
    DuplicateRowsDialog* ask = dialog_->duplicateRows;
    QVERIFY(ask->isVisible());
    ask->E_Offset->setText("1O");
    QTest::mouseClick(ask->btn_ok, Qt::LeftButton);
    QVERIFY(ask->isVisible());
    ask->reject();
    QCOMPARE(History()->count(), 0);
    SetCell(1400, kMnemonicColumn, "end");
    Select(1, 2, 1, 2);  // row 1 again
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_duplicate"), Qt::LeftButton);
    QVERIFY(!ask->isVisible());
    QCOMPARE(Lines(), QStringList({"Error: Error!! RTU address offset must be between -65535 and 65535. ",
                                   "Message: Cannot duplicate row 1: the copies go below row 1400, "
                                   "the last row in use, and the table ends at row 1400."}));
  }

  // --- Find --------------------------------------------------------------------

  void findGoesFromMatchToMatchAndAround() {
    Open();
    SetCell(3, kMnemonicColumn, "Boiler pump");
    SetCell(1400, kDataTypeColumn, "boiler");
    Keys("Ctrl+F");
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->E_Find));
    QTest::keyClicks(dialog_->E_Find, "BOILER");
    const QStringList steps = {"Return", "F3", "F3", "Shift+F3"};  // the last two: around and back
    const int rows[] = {3, 1400, 3, 1400};
    for (int i = 0; i < steps.size(); ++i) {
      Keys(steps[i]);
      QCOMPARE(dialog_->sga->currentIndex().row() + 1, rows[i]);
    }
    Keys("Esc");  // back to the grid; the dialog stays
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->sga));
    dialog_->E_Find->setText("nowhere");
    Keys("F3");
    QCOMPARE(Lines(), QStringList());  // said beside the field, not in a box
    QCOMPARE(dialog_->statusLine->text(), QString("No cell holds \"nowhere\"."));
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(1400, kDataTypeColumn));
  }

  // --- CSV import and export ----------------------------------------------------

  void importReplacesTheGridAsOneStep() {
    WriteTable(store_->Fields().VarPath, {TMyRec{1, 7, {1, 2, 3, 4}, 5, 6, "old"}});
    const std::string before = ReadFileBytes(store_->Fields().VarPath);
    const std::string csv = *folder_ / "points.csv";  // as a spreadsheet program saves it
    WriteFileBytes(csv, "\xEF\xBB\xBF" "data type;address rtu;Address Device TCP;Address TCP;N\xC2\xB0 Point;Mnemonic\r\n"
                        "Holding Register;$64;192.168.1.20;40001;10;\"Boiler; \"\"hot\"\"\"\r\n\r\n"
                        "1;0x10;10.0.0.5;1;8;pr\xC3\xA9ssure\r\n");
    Open();
    SetCell(900, kMnemonicColumn, "typed before");
    platform_->files.answers.push_back(csv);
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_import"), Qt::LeftButton);
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(platform_->files.calls.at(0).start, folder_->str());
    QCOMPARE(RowTexts(1), QStringList({"Holding Register", "100", "192.168.1.20", "40001", "10", "Boiler; \"hot\""}));
    QCOMPARE(RowTexts(2), QStringList({"Coil Status", "16", "10.0.0.5", "1", "8", QString::fromUtf8("pr\xC3\xA9ssure")}));
    QCOMPARE(Cell(900, kMnemonicColumn), QString());
    QCOMPARE(Action("undoAction")->text(), "Undo Import CSV" + kUndoKey);
    QCOMPARE(ReadFileBytes(store_->Fields().VarPath), before);  // nothing written before OK
    Keys("Ctrl+Z");
    QCOMPARE(Cell(1, kMnemonicColumn), QString("old"));
    QCOMPARE(Cell(900, kMnemonicColumn), QString("typed before"));
  }

  void importRefusalsChangeNothing_data() {
    QTest::addColumn<QString>("csv");
    QTest::addColumn<QString>("message");
    const QString point = QString::fromUtf8("Error!! N\xC2\xB0 Point must be between 0 and 127.");
    QStringList many;
    for (int line = 1; line <= 14; ++line) many << QString("Line %1: %2").arg(line).arg(point);
    QTest::newRow("two lines") << "Coil Status,1,1.2.3.4,1,1,ok\nCoils,2,1.2.3.4,1,1,x\nCoil Status,3,1.2.3.4,70000,1,x\n"
        << "Error: Nothing was imported from \"{path}\": 2 lines were refused.\n\n"
           "Line 2: {type}\nLine 3: Error!! Address TCP must be between 0 and 65535.";
    // The box names twelve lines; its details (here after a blank line) name all.
    QTest::newRow("fourteen lines") << QString("Coil Status,1,1.2.3.4,1,200,x\n").repeated(14)
        << "Error: Nothing was imported from \"{path}\": 14 lines were refused.\n\n" + many.mid(0, 12).join('\n') +
               "\n\u2026 and 2 more (the details list every refused line).\n\n" + many.join('\n');
    QTest::newRow("no such file") << "" << "General error: {reading}";
  }

  void importRefusalsChangeNothing() {
    QFETCH(QString, csv);
    QFETCH(QString, message);
    const std::string path = *folder_ / "points.csv";
    if (!csv.isEmpty()) WriteFileBytes(path, csv.toStdString());
    std::string reading;
    try {
      ReadDocumentBytes(path);
    } catch (const Error& error) {
      reading = GeneralErrorText(error.what());
    }
    message.replace("{path}", Q(path)).replace("{reading}", Q(reading))
        .replace("{type}", Q(ReadTranslateCsv("Coils,2,1.2.3.4,1,1,x").refusals.at(0).reason));
    Open();
    FillRow(1);
    History()->clear();
    const Cells before = Snapshot();
    platform_->files.answers.push_back(path);
    Keys("Ctrl+Shift+I");
    QCOMPARE(Lines(), QStringList{message});
    QVERIFY(Snapshot() == before);
    QCOMPARE(History()->count(), 0);
  }

  void exportWritesTheGridAsItStands() {
    Open();
    FillRow(1, "holding register", "0x10", "192.168.1.125", "40001", "8", "a, \"b\"");  // not saved
    FillRow(3);  // below the first empty Address RTU: not part of the table
    const std::string path = *folder_ / "out.csv";
    platform_->files.answers.push_back(path);
    QTest::mouseClick(dialog_->findChild<QToolButton*>("btn_export"), Qt::LeftButton);
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(dialog_->statusLine->text(), "1 row written to " + Q(path));
    QCOMPARE(platform_->files.calls.at(0).start, *folder_ / folder_->path().filename().string() + ".csv");
    QCOMPARE(ReadFileBytes(path), std::string("\xEF\xBB\xBF" "Data Type,Address RTU,Address Device TCP,Address TCP,"
                                              "N\xC2\xB0 Point,Mnemonic\r\n"
                                              "Holding Register,16,192.168.1.125,40001,8,\"a, \"\"b\"\"\"\r\n"));
    // Into a folder that is not there: the general error box.
    const std::string nowhere = *folder_ / "gone/out.csv";
    std::string systemText;
    try {
      WriteFileAtomically(nowhere, "x");
    } catch (const Error& error) {
      systemText = GeneralErrorText(error.what());
    }
    platform_->files.answers.push_back(nowhere);
    Keys("Ctrl+Shift+E");
    QCOMPARE(Lines(), QStringList{"General error: " + Q(systemText)});
  }

  // --- Mapping warnings --------------------------------------------------------

  void warningsMarkTheirRowsAndFollowTheTyping_data() {
    QTest::addColumn<QString>("pargen");
    QTest::addColumn<QStringList>("marks");  // rows 1 to 4
    const QString overlap = "Row 2 maps Holding Register RTU addresses 105 to 109, which row 1 already maps.";
    const QString noPoints = QString::fromUtf8("Row 4 maps no points (N\xC2\xB0 Point is 0).");
    QTest::newRow("gateway 192.168.1.10/24") << "192.168.1.10" << QStringList{"", overlap,
        "Row 3's device 10.0.0.5 is outside the gateway's network 192.168.1.0 (subnet mask 255.255.255.0) "
        "and no default gateway is set.", noPoints};
    QTest::newRow("no pargen.xml: no network checks") << "" << QStringList{"", overlap, "", noPoints};
    QTest::newRow("unreadable pargen.xml: the same") << "<General_Parameter" << QStringList{"", overlap, "", noPoints};
  }

  void warningsMarkTheirRowsAndFollowTheTyping() {
    QFETCH(QString, pargen);
    QFETCH(QStringList, marks);
    GeneralParameters parameters;
    parameters.ip = {"192", "168", "1", "10"};
    if (pargen.startsWith('<')) WriteFileBytes(store_->Fields().ParGenPath, pargen.toStdString());
    if (pargen.startsWith('1')) WriteGeneralParameters(store_->Fields().ParGenPath, parameters);
    WriteTable(store_->Fields().VarPath, {TMyRec{3, 100, {192, 168, 1, 20}, 1, 10, "a"},
                                          TMyRec{3, 105, {192, 168, 1, 21}, 1, 10, "b"},
                                          TMyRec{1, 0, {10, 0, 0, 5}, 1, 8, "c"},
                                          TMyRec{2, 0, {192, 168, 1, 22}, 1, 0, "d"}});
    Open();
    QCOMPARE(Lines(), QStringList());
    QStringList warnings = marks;
    warnings.removeAll("");
    QCOMPARE(dialog_->btn_warnings->text(), QString("%1 warnings").arg(warnings.size()));
    QCOMPARE(RowMarks(), marks);

    // The list; choosing a warning goes to the cell it is about.
    QTest::mouseClick(dialog_->btn_warnings, Qt::LeftButton);
    QListWidget* list = dialog_->warningsWindow->List();
    QStringList listed;
    for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
    QCOMPARE(listed, warnings);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(list->count() - 1)).center());
    QCOMPARE(dialog_->sga->currentIndex(), Model()->IndexOf(4, kPointCountColumn));

    // Typing ends the overlap: the mark, the count and the open list follow.
    Reactivate();
    dialog_->sga->setCurrentIndex(Model()->IndexOf(2, kAddressRtuColumn));
    dialog_->sga->setFocus();  // the keys go to the grid, whatever had the focus in the list
    Type("200");
    Key(Qt::Key_Return);
    QCOMPARE(RowMarks()[1], QString());
    QCOMPARE(dialog_->btn_warnings->text(), warnings.size() == 2 ? QString("1 warning") : QString("2 warnings"));
    QCOMPARE(list->count(), int(warnings.size()) - 1);
  }

  // --- Keyboard paths ----------------------------------------------------------

  void escapeAsksBeforeDroppingChanges_data() {
    QTest::addColumn<QString>("keys");  // before the Escapes
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<bool>("closed");
    QTest::newRow("no change: closes") << "" << QList<bool>{} << true;
    QTest::newRow("change undone: closes") << "1 2 Return Ctrl+Z" << QList<bool>{} << true;
    QTest::newRow("change, No: back to the grid") << "1 2 Return" << QList<bool>{false} << false;
    QTest::newRow("change, Yes: closes") << "1 2 Return" << QList<bool>{true} << true;
  }

  void escapeAsksBeforeDroppingChanges() {
    QFETCH(QString, keys);
    QFETCH(QList<bool>, answers);
    QFETCH(bool, closed);
    Open();
    for (const QString& key : keys.split(' ', Qt::SkipEmptyParts)) Keys(key);
    Type("abandoned");
    Keys("Esc");  // the first Escape only ends the cell edit
    QVERIFY(dialog_->isVisible());
    platform_->messages.answers.assign(answers.begin(), answers.end());
    Keys("Esc");
    QCOMPARE(Lines(), QStringList(answers.size(), "Question: The translate table has changes that are not "
                                                  "saved. Discard them and close?"));
    QCOMPARE(dialog_->isVisible(), !closed);
    if (!closed) QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog_->sga));
    QVERIFY(!QFile::exists(Q(store_->Fields().VarPath)));
  }

  void ctrlReturnPressesOkFromAnywhere_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("keys");
    QTest::newRow("grid") << "grid" << "Ctrl+Return";
    QTest::newRow("open cell editor: committed first") << "editor" << "Ctrl+Return";
    QTest::newRow("Cancel button") << "cancel" << "Ctrl+Return";
    QTest::newRow("keypad Enter") << "grid" << "Ctrl+Num+Enter";
  }

  void ctrlReturnPressesOkFromAnywhere() {
    QFETCH(QString, from);
    QFETCH(QString, keys);
    Open();
    FillRow(1);
    dialog_->sga->setCurrentIndex(Model()->IndexOf(1, kAddressRtuColumn));
    if (from == "editor") Type("77");
    if (from == "cancel") dialog_->bitbtn2->setFocus();
    Keys(keys);
    QCOMPARE(Lines(), QStringList());
    QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    QCOMPARE(ReadTable(store_->Fields().VarPath)[0].values[1], std::string(from == "editor" ? "77" : "100"));
  }

  void ctrlTabLeavesTheGridAndComesBack() {
    Open();
    Type("5");  // an open edit is committed on the way out
    const QStringList keys = {"Ctrl+Tab", "Ctrl+Tab", "Ctrl+Shift+Tab", "Ctrl+Shift+Tab", "Ctrl+Shift+Tab"};
    const std::vector<QWidget*> focus = {dialog_->bitbtn1, dialog_->bitbtn2, dialog_->bitbtn1, dialog_->sga,
                                         dialog_->E_Find};  // the last: around to the last button
    for (int i = 0; i < keys.size(); ++i) {
      Keys(keys[i]);
      QVERIFY2(QApplication::focusWidget() == focus[std::size_t(i)], qPrintable(QString::number(i)));
    }
    QCOMPARE(Cell(1, kDataTypeColumn), QString("5"));
  }

  void f4AndAltDownOpenTheDataTypeList_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("selectedRows");
    QTest::addColumn<bool>("listOpens");
    QTest::newRow("F4") << "F4" << int(kDataTypeColumn) << 1 << true;
    QTest::newRow("Alt+Down") << "Alt+Down" << int(kDataTypeColumn) << 1 << true;
    QTest::newRow("Alt+Down, two cells: rows move") << "Alt+Down" << int(kDataTypeColumn) << 2 << false;
    QTest::newRow("Alt+Down, other column: rows move") << "Alt+Down" << int(kMnemonicColumn) << 1 << false;
    QTest::newRow("F4, other column: nothing") << "F4" << int(kMnemonicColumn) << 1 << false;
  }

  void f4AndAltDownOpenTheDataTypeList() {
    QFETCH(QString, keys);
    QFETCH(int, column);
    QFETCH(int, selectedRows);
    QFETCH(bool, listOpens);
    Open();
    FillRow(3, "input register");
    History()->clear();
    Select(3, column, 3 + selectedRows - 1, column);
    Keys(keys);
    auto* combo = dialog_->sga->findChild<QComboBox*>("DataTypeEditor");
    QCOMPARE(combo && combo->view()->isVisible(), listOpens);
    if (!listOpens) {
      QCOMPARE(History()->count(), keys == "F4" ? 0 : 1);
      return;
    }
    QCOMPARE(combo->view()->currentIndex().row(), 3);  // on the cell's name
    QTest::keyClick(combo->view(), Qt::Key_Up);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QCOMPARE(Cell(3, kDataTypeColumn), QString("Holding Register"));
    QVERIFY(!dialog_->sga->IsEditing());
  }

  // --- The clipboard -----------------------------------------------------------

  void ctrlVInAnOpenEditor_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("step");  // what Undo then undoes
    QTest::addColumn<QStringList>("row2");
    const QStringList empty(6, QString());
    auto row = [&empty](int column, const QString& text) { QStringList r = empty; r[column - 1] = text; return r; };
    QTest::newRow("one value into the editor") << int(kMnemonicColumn) << "Pasted" << "Typing"
                                               << row(kMnemonicColumn, "tyPasted");
    QTest::newRow("one quoted cell, as its text") << int(kMnemonicColumn) << "\"5\"\" pipe\"\r\n" << "Typing"
                                                  << row(kMnemonicColumn, "ty5\" pipe");
    QTest::newRow("two cells end the edit") << int(kPointCountColumn) << "8\tpump\n" << "Paste"
                                            << QStringList{"", "", "", "", "8", "pump"};
    QTest::newRow("two lines, from the Data Type list") << int(kDataTypeColumn) << "Coil Status\nInput Status"
                                                        << "Paste" << row(kDataTypeColumn, "Coil Status");
  }

  void ctrlVInAnOpenEditor() {
    QFETCH(int, column);
    QFETCH(QString, clipboard);
    QFETCH(QString, step);
    QFETCH(QStringList, row2);
    Open();
    dialog_->sga->setCurrentIndex(Model()->IndexOf(2, column));
    Type("ty");
    QApplication::clipboard()->setText(clipboard);
    Keys("Ctrl+V");
    QCOMPARE(dialog_->sga->IsEditing(), step == "Typing");
    if (dialog_->sga->IsEditing()) Key(Qt::Key_Return);
    QCOMPARE(RowTexts(2), row2);
    QCOMPARE(Action("undoAction")->text(), "Undo " + step + kUndoKey);
  }

  void oneGuardedValueOverASelectionLosesItsGuard() {
    Open();
    QApplication::clipboard()->setText("'=SUM(A1)");
    Select(1, kMnemonicColumn, 2, kMnemonicColumn);
    Keys("Ctrl+V");
    QCOMPARE(Cell(1, kMnemonicColumn), QString("=SUM(A1)"));
    QCOMPARE(Cell(2, kMnemonicColumn), QString("=SUM(A1)"));
  }

  void copyAndPasteKeepTabsLineBreaksAndQuotes() {
    Open();
    SetCell(1, kPointCountColumn, "8");
    SetCell(1, kMnemonicColumn, "a\tb \"c\"\nd");
    Select(1, kPointCountColumn, 1, kMnemonicColumn);
    Keys("Ctrl+C");
    Select(7, kPointCountColumn, 7, kPointCountColumn);
    Keys("Ctrl+V");
    QCOMPARE(RowTexts(7), RowTexts(1));
  }

  // The README's key table names the key each command shows in the menu.
  void readmeKeyTableNamesEveryCommandsKey() {
    QFile readme(FABRION_SOURCE_DIR "/README.md");
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf("| Keys | Command |");
    QVERIFY(start >= 0);
    QString keys;  // the Keys column, row by row
    for (const QString& line : text.mid(start).split('\n').mid(2)) {
      if (!line.trimmed().startsWith('|')) break;
      keys += line.section('|', 1, 1) + '|';
    }
    QCOMPARE(int(TFSetVar::CommandTable().size()), 19);
    for (const TFSetVar::Command& command : TFSetVar::CommandTable()) {
      const QString key = TFSetVar::KeyText(command.keys.value(0));
      QVERIFY2(keys.contains(QRegularExpression("(^|[ ,;(])" + QRegularExpression::escape(key) +
                                                "([ ,;)|]|$)")),
               qPrintable(command.caption + QString(": ") + key));
    }
  }

 private:
  // The offscreen platform leaves no window active after a popup or a child
  // window closes; a window manager gives the activation back.
  void Reactivate() {
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }

  QUndoStack* History() const { return Model()->UndoStack(); }
  QAction* Action(const char* name) const { return dialog_->findChild<QAction*>(name); }
  void Keys(const QString& keys) {
    QTest::keySequence(FocusTarget(), QKeySequence(keys));
    QApplication::processEvents();
  }

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

  // The texts of the grid's menu as it pops up (closed again at once).
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

  // Each of rows 1 to 4: the warnings its number's mark shows, "" without a mark.
  QStringList RowMarks() const {
    QStringList marks;
    for (int section = 0; section < 4; ++section) {
      const QVariant tip = Model()->headerData(section, Qt::Vertical, Qt::ToolTipRole);
      const bool mark = !Model()->headerData(section, Qt::Vertical, Qt::DecorationRole).isNull();
      marks << (mark == tip.isValid() ? tip.toString() : "mark and tooltip disagree");
    }
    return marks;
  }

  QStringList Lines() const {
    QStringList lines;
    const char* kinds[] = {"Message: ", "Error: ", "General error: ", "Question: "};
    for (const ShownMessage& m : platform_->messages.shown) lines << kinds[m.kind] + Q(m.text);
    return lines;
  }
};

FABRION_WIDGET_TEST(TranslateTableWorkbenchTest);

}  // namespace fabrion::test

#include "translate_table_workbench_test.moc"
