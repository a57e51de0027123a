#pragma once
// The translate table's grid view with the keys of a spreadsheet: Enter and
// Tab move on (committing an edit), typing starts an edit, Delete empties the
// selected cells, and a rectangular selection copies and pastes as
// tab-separated text.
#include <QPointer>
#include <QTableView>
#include <optional>

#include "editors/translate_table_checks.h"

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

  void CopySelection();
  void CutSelection();
  void PasteClipboard();
  void ClearSelection();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void commitData(QWidget* editor) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The bounding rectangle of the selection, else the current cell.
  std::optional<GridArea> SelectedArea() const;
  void MoveCurrent(int rowStep);
  void PaintCorner();

  TranslateTableModel* model_ = nullptr;
  QWidget* corner_ = nullptr;
  QPointer<QWidget> editor_;  // the open editor; late signals of closed ones are dropped
};

}  // namespace fabrion
