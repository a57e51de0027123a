#pragma once
// The translate table grid as a Qt model: 1400 rows of the six text columns,
// the row numbers as the vertical header, the captions as the horizontal one.
// Every change the user makes is one step of its undo history, and every
// change rechecks the mapping: a row with warnings has a mark on its number.
#include <QAbstractTableModel>
#include <optional>
#include <string>
#include <vector>

#include "documents/mapping_checks.h"
#include "documents/translate_csv.h"
#include "table/translate_table_checks.h"

class QUndoStack;

namespace fabrion {

class TranslateTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TranslateTableModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // A typed cell: one undo step "Typing" (none when the text is unchanged).
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const TranslateGrid& Grid() const { return grid_; }
  // The cell at grid coordinates (row 1 to 1400, column 1 to 6).
  QModelIndex IndexOf(int gridRow, int gridColumn) const;
  static int GridRowOf(const QModelIndex& index) { return index.row() + 1; }
  static int GridColumnOf(const QModelIndex& index) { return index.column() + 1; }

  // Empties the grid, places the rows read from var.xml and forgets the
  // edit history; one change signal.
  void Reload(const std::vector<RowTexts>& rows);

  // The gateway's network for the checks of the device addresses; nothing
  // leaves those checks out. Takes effect at the next Reload.
  void SetNetwork(std::optional<GatewayNetwork> network) { network_ = network; }
  // The mapping warnings of the grid as it stands, by row. A change is
  // rechecked once control returns to the event loop (so that a burst of
  // changes is checked once), or here when asked before that.
  const std::vector<MappingWarning>& Warnings();

  QUndoStack* UndoStack() const { return undo_; }
  // True while the grid differs from what Reload placed by edits not undone.
  bool IsModified() const;

  // Edits, each one undo step named by its caption; each returns false (and
  // makes no step) when it would change nothing. Areas are clipped to the
  // editable cells.
  //
  // The area's texts, row by row, replaced by texts (one per cell).
  bool WriteArea(GridArea area, std::vector<std::string> texts, const QString& caption);
  // Spreadsheet cells from (row, column) on; cells past row 1400 or column 6
  // are dropped. The area the block covers, or nothing when none of it fits.
  std::optional<GridArea> Paste(int gridRow, int gridColumn,
                                const std::vector<std::vector<std::string>>& block);
  bool Fill(GridArea area, const std::string& text, const QString& caption);
  // One pasted value into every cell of the area, read as a paste reads it.
  bool PasteOver(GridArea area, const std::string& text);
  // Each column's top cell copied into the rest of the area; an area of one
  // row takes the row above it.
  bool FillDown(GridArea area);
  // The whole grid replaced: rows from row 1 on, every later row emptied.
  bool ReplaceRows(const std::vector<TranslateCells>& rows, const QString& caption);
  // rows written from firstRow on (the caller checked that they fit).
  bool WriteRows(int firstRow, const std::vector<TranslateCells>& rows, const QString& caption);
  // count empty rows above first, the rows below moving down; false when one
  // of the last count rows holds text (it would be pushed out of the table).
  bool InsertRows(int first, int count);
  // Rows first to first + count - 1 removed, the rows below moving up and
  // empty rows coming in at the end.
  bool DeleteRows(int first, int count);
  // Rows first to last moved one row up (step -1) or down (step 1); false at
  // the table's edge.
  bool MoveRows(int first, int last, int step);

  bool RowIsEmpty(int gridRow) const;
  // The last row holding any text; 0 when every row is empty.
  int LastUsedRow() const;
  TranslateCells RowCells(int gridRow) const;

  // For the undo commands: the grid changed and the views told, nothing else.
  std::vector<std::string> ReadCells(GridArea area) const;
  void WriteCells(GridArea area, const std::vector<std::string>& texts);
  void RotateRows(int first, int last, int shift);
  // A step was done, undone or redone over area.
  void StepApplied(GridArea area);

 signals:
  // After each step done, undone or redone: where it took place.
  void StepShown(GridArea area);
  // After each recheck that changed the warnings (and the marks).
  void WarningsChanged();

 private:
  void AreaChanged(GridArea area);
  // The warnings found again; the marks of the rows whose warnings changed repainted.
  void Recheck();
  void Push(const QString& caption, GridArea area, std::vector<std::string> before,
            std::vector<std::string> after);

  TranslateGrid grid_;
  QUndoStack* undo_;
  bool recheckDue_ = false;
  std::optional<GatewayNetwork> network_;
  std::vector<MappingWarning> warnings_;
  std::vector<std::string> rowWarnings_;  // per row from row 1: its warnings, one a line
};

}  // namespace fabrion
