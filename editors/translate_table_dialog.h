#pragma once
// "Set Translate Table": the 1400-row translate table, written to var.xml.
// Beyond OK and Cancel, its commands (undo and redo, row commands, find,
// fill down, duplicate rows, CSV import and export) are reached three ways:
// the grid's right-click menu, keys, and small buttons; the mapping warnings
// show as marks on the row numbers and as a count that opens their list.
#include <QDialog>
#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

#include "documents/var_document.h"
#include "platform/services.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QToolButton;
class QWidget;

namespace fabrion {

class DataTypeDelegate;
class DeviceCheckWindow;
class DuplicateRowsDialog;
class MappingWarningsWindow;
struct MappingWarning;
class ProjectStore;
class TranslateGridView;
class TranslateTableModel;

class TFSetVar : public QDialog {
  Q_OBJECT
 public:
  TFSetVar(ProjectStore& store, Services services, QWidget* parent = nullptr);

  // Every showing: 1400 numbered empty rows, then the rows of var.xml; the
  // edit history starts empty. A var.xml that cannot be read is reported in
  // the general error box first.
  void FormShow();
  // OK: both checks, then var.xml replaced and the dialog closed with OK.
  // False when a check refused (error box) or the write failed (general
  // error box); the dialog then stays open with every cell as typed.
  bool bitbtn1Click();
  // OK's second pass over the grid into the working list; false after its
  // refusal was shown.
  bool CollectRows();
  // "Check devices…": opens the Check devices window when OK would take the
  // grid; each Check there reads the rows as the grid then stands. Closing
  // this dialog stops the check.
  void CheckDevicesClick();
  // OK's checks over the grid as it stands and the rows OK would save; a
  // refusal is shown as OK shows it, and nothing is returned.
  std::optional<std::vector<TMyRec>> RowsToCheck();

  // The commands; each ends an open cell edit first.
  void InsertRowsClick();        // empty rows above the selection, as many as it spans
  void DeleteRowsClick();        // the selected rows
  void MoveRowsClick(int step);  // the selected rows one row up (-1) or down (1)
  // Alt+Down: the data type list on one Data Type cell, else MoveRowsClick(1).
  void MoveRowsDownKey();
  void DuplicateRowsClick();  // asks in duplicateRows, then DuplicateRows
  // Copies of rows first to last below the last row in use, their Address
  // RTU moved by offset and their device address replaced (PlanDuplicateRows);
  // false after a refusal (error box), nothing changed.
  bool DuplicateRows(int first, int last, const std::string& offset, const std::string& ip);
  void FindClick();  // the focus to the find field
  // The next (or previous) cell holding the find field's text, ignoring
  // case, from the current cell on and around; the line under the find
  // field says so when none does.
  void FindNext(bool forward = true);
  // The line under the find field; empty hides it.
  void SayInStatusLine(const QString& text);
  // A CSV file chosen by the user replaces the grid's content as one undo
  // step; when any line is refused, nothing changes and an error box names
  // every refused line. Nothing is written before OK.
  void ImportCsvClick();
  // The table as the grid holds it, unsaved edits included, written to a
  // CSV file chosen by the user (whole or not at all).
  void ExportCsvClick();
  void ShowWarnings();  // the list of warnings, up to date while it is open
  // The cell the warning is about made current; toGrid: with the keyboard.
  void GoToWarning(const MappingWarning& warning, bool toGrid = false);

  // The commands as actions: in the grid's menu in this order, with their
  // keys; each named after its caption ("duplicateRowsAction").
  struct Commands {
    QAction* undo;
    QAction* redo;
    QAction* cut;
    QAction* copy;
    QAction* paste;
    QAction* clear;
    QAction* fillDown;
    QAction* insertRows;
    QAction* deleteRows;
    QAction* moveUp;
    QAction* moveDown;
    QAction* duplicateRows;
    QAction* dataTypeList;
    QAction* find;
    QAction* findNext;
    QAction* findPrevious;
    QAction* importCsv;
    QAction* exportCsv;
    QAction* warnings;
  };

  // One command: where its action is kept, its menu caption, its keys (the
  // first shown in the menu unless keyText is given), what it does, and
  // the caption of its small button (none when null).
  enum CommandFlag : unsigned {
    kWindow = 1,    // its keys work anywhere in the window, not only in the grid
    kGroupEnd = 2,  // a separator follows it in the menu
  };
  struct Command {
    QAction* Commands::*action;
    const char* caption;
    QList<QKeySequence> keys;
    void (*run)(TFSetVar&);
    unsigned flags = 0;
    const char* button = nullptr;
    const char* keyText = nullptr;
    const char* toolTip = nullptr;  // null: the caption and the key shown
  };
  // The commands in the menu's order; the menu, the buttons and the keys
  // are made from it (and the README's key table checked against it).
  static const std::vector<Command>& CommandTable();
  // A key as the menu and the README write it ("Ctrl+Shift+D").
  static QString KeyText(const QKeySequence& key);

  TranslateGridView* sga = nullptr;
  QWidget* CommandRow = nullptr;  // the small buttons above the bar
  QWidget* Panel1 = nullptr;      // the button bar
  QPushButton* bitbtn1 = nullptr;
  QPushButton* bitbtn2 = nullptr;
  QPushButton* CheckDevicesButton = nullptr;
  QPointer<DeviceCheckWindow> checkDevices;  // made at the first check
  QLineEdit* E_Find = nullptr;
  QLabel* statusLine = nullptr;  // under the find field: a find without match, an export done
  QToolButton* btn_warnings = nullptr;  // "3 warnings"
  DuplicateRowsDialog* duplicateRows = nullptr;
  MappingWarningsWindow* warningsWindow = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void GoToCell(int row, int column);  // current, scrolled into view, with the focus
  void GoToRefusedCell();              // the cell of OK's first refusal
  // The window's parts (translate_table_layout.cpp).
  void BuildWindow();
  void BuildGrid();
  void BuildCommands();
  void BuildCommandRow();
  void BuildBar();
  QToolButton* CommandButton(QAction* action, QWidget* strip);
  // Ctrl+Tab (forward) and Ctrl+Shift+Tab: out of the grid to the buttons,
  // around them, and back.
  void MoveFocus(bool forward);
  void ShowWarningCount();

  ProjectStore& store_;
  Services services_;
  TranslateTableModel* model_ = nullptr;
  DataTypeDelegate* dataTypeDelegate_ = nullptr;
  std::vector<TMyRec> rows_;
  Commands commands_{};
  std::vector<QWidget*> focusRing_;  // the grid, then the buttons in Tab order
};

}  // namespace fabrion
