#pragma once
// The translate table grid as a Qt model: 1400 rows of the six text columns,
// the row numbers as the vertical header, the captions as the horizontal one.
#include <QAbstractTableModel>
#include <optional>
#include <string>
#include <vector>

#include "editors/translate_table_checks.h"

namespace fabrion {

class TranslateTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TranslateTableModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const TranslateGrid& Grid() const { return grid_; }
  // The cell at grid coordinates (row 1 to 1400, column 1 to 6).
  QModelIndex IndexOf(int gridRow, int gridColumn) const;
  static int GridRowOf(const QModelIndex& index) { return index.row() + 1; }
  static int GridColumnOf(const QModelIndex& index) { return index.column() + 1; }

  // Empties the grid and places the rows read from var.xml; one change signal.
  void Reload(const std::vector<RowTexts>& rows);
  // Spreadsheet edits over grid areas; each signals the cells it changed.
  std::optional<GridArea> Paste(int gridRow, int gridColumn,
                                const std::vector<std::vector<std::string>>& block);
  void Fill(GridArea area, const std::string& text);

 private:
  void AreaChanged(GridArea area);

  TranslateGrid grid_;
};

}  // namespace fabrion
