#pragma once
// The translate table's grid view with the keys of a spreadsheet: Enter and
// Tab move on (committing an edit), typing starts an edit, Backspace empties
// the selected cells, and a rectangular selection copies and pastes as
// tab-separated text. The commands of the grid's menu act on the selection;
// after each step done, undone or redone the view selects where it was.
#include <QPointer>
#include <QTableView>
#include <optional>
#include <string>
#include <vector>

#include "table/translate_table_checks.h"

namespace fabrion {

class TranslateTableModel;

class TranslateGridView : public QTableView {
  Q_OBJECT
 public:
  explicit TranslateGridView(QWidget* parent = nullptr);

  void setTranslateModel(TranslateTableModel* model);
  using QTableView::edit;

  bool IsEditing() const { return state() == QAbstractItemView::EditingState; }
  // Writes an open editor's text into its cell and closes the editor.
  void CommitEdit();

  // The bounding rectangle of the selection, else the current cell.
  std::optional<GridArea> SelectedArea() const;
  // True when the current cell is in the Data Type column and is all that
  // is selected: there Alt+Down opens the list instead of moving rows.
  bool OnOneDataTypeCell() const;
  // The current cell made rowxcolumn, selected alone and scrolled into view.
  void GoToCell(int gridRow, int gridColumn);

  // The commands on the selection; each ends an open edit first.
  void CopySelection();
  void CutSelection();
  // Clipboard cells from the selection's top left cell; one value over a
  // larger selection fills it. An open edit is dropped, the paste replacing it.
  // Pastes the clipboard's cells at the selection; a block that does not fit
  // is refused whole with PasteRefused.
  void PasteClipboard();
  void ClearSelection();
  void FillDown();
  // Opens the current Data Type cell's list of names (the editor first).
  void OpenDataTypeList();

  // Spreadsheet clipboard text as rows of cells (quoted cells may hold tabs,
  // line breaks and doubled quotes).
  static std::vector<std::vector<std::string>> ClipboardCells();

 signals:
  // A paste refused whole, with the message that says why.
  void PasteRefused(const QString& message);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void commitData(QWidget* editor) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoveCurrent(int rowStep);
  void ShowStep(GridArea area);
  void DropEdit();
  bool IsEditorPart(QObject* object) const;
  void PaintCorner();

  TranslateTableModel* model_ = nullptr;
  QWidget* corner_ = nullptr;
  QPointer<QWidget> editor_;  // the open editor; late signals of closed ones are dropped
};

}  // namespace fabrion
