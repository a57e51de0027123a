#include "editors/translate_table_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QStyle>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>

#include "editors/translate_grid_commands.h"
#include "table/row_commands.h"

namespace fabrion {
namespace {

constexpr int kModelColumns = kGridColumns - 1;  // the row numbers are the vertical header
constexpr int kFirstColumn = kDataTypeColumn;
constexpr int kLastColumn = kGridColumns - 1;

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor CellColour(int gridColumn) {
  switch (gridColumn) {
    case kDataTypeColumn: return QColor(166, 202, 240);
    case kDeviceIpColumn:
    case kAddressTcpColumn: return QColor(224, 250, 254);
    default: return QColor(248, 247, 237);
  }
}

std::optional<GridArea> Clipped(GridArea area) {
  area.top = std::max(area.top, 1);
  area.left = std::max(area.left, kFirstColumn);
  area.bottom = std::min(area.bottom, kMaxTranslateRows);
  area.right = std::min(area.right, kLastColumn);
  if (area.top > area.bottom || area.left > area.right) return std::nullopt;
  return area;
}

GridArea Rows(int first, int last) { return GridArea{first, kFirstColumn, last, kLastColumn}; }

std::size_t CellCount(GridArea area) {
  return static_cast<std::size_t>(area.bottom - area.top + 1) *
         static_cast<std::size_t>(area.right - area.left + 1);
}

}  // namespace

TranslateTableModel::TranslateTableModel(QObject* parent)
    : QAbstractTableModel(parent),
      undo_(new QUndoStack(this)),
      rowWarnings_(static_cast<std::size_t>(kMaxTranslateRows)) {}

int TranslateTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kMaxTranslateRows;
}

int TranslateTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kModelColumns;
}

QVariant TranslateTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return FromUtf8(grid_.Cell(GridRowOf(index), GridColumnOf(index)));
    case Qt::BackgroundRole: return QBrush(CellColour(GridColumnOf(index)));
    default: return {};
  }
}

bool TranslateTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const int row = GridRowOf(index), column = GridColumnOf(index);
  std::string text = value.toString().toStdString();
  if (text == grid_.Cell(row, column)) return true;
  Push("Typing", GridArea{row, column, row, column}, {grid_.Cell(row, column)}, {std::move(text)});
  return true;
}

Qt::ItemFlags TranslateTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant TranslateTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
  if (orientation == Qt::Vertical && section >= 0 && section < kMaxTranslateRows &&
      (role == Qt::DecorationRole || role == Qt::ToolTipRole)) {
    const std::string& warnings = rowWarnings_[static_cast<std::size_t>(section)];
    if (warnings.empty()) return {};
    if (role == Qt::ToolTipRole) return FromUtf8(warnings);
    static const QIcon mark = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    return mark;
  }
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= kModelColumns) return {};
    return FromUtf8(kGridCaptions[static_cast<std::size_t>(section + 1)]);
  }
  if (section < 0 || section >= kMaxTranslateRows) return {};
  return FromUtf8(grid_.Cell(section + 1, kNumberColumn));
}

QModelIndex TranslateTableModel::IndexOf(int gridRow, int gridColumn) const {
  return index(gridRow - 1, gridColumn - 1);
}

void TranslateTableModel::Reload(const std::vector<RowTexts>& rows) {
  grid_.Reset();
  PlaceRows(grid_, rows);
  AreaChanged(Rows(1, kMaxTranslateRows));
  undo_->clear();
  Recheck();
}

const std::vector<MappingWarning>& TranslateTableModel::Warnings() {
  if (recheckDue_) Recheck();
  return warnings_;
}

bool TranslateTableModel::IsModified() const { return !undo_->isClean(); }

void TranslateTableModel::Push(const QString& caption, GridArea area,
                               std::vector<std::string> before, std::vector<std::string> after) {
  auto* step = new GridStep(*this, caption, area, area);
  new WriteCellsCommand(*this, area, std::move(before), std::move(after), step);
  undo_->push(step);
}

bool TranslateTableModel::WriteArea(GridArea area, std::vector<std::string> texts,
                                    const QString& caption) {
  if (texts.size() != CellCount(area) || !Clipped(area) || !(*Clipped(area) == area)) return false;
  std::vector<std::string> before = ReadCells(area);
  if (before == texts) return false;
  Push(caption, area, std::move(before), std::move(texts));
  return true;
}

std::optional<GridArea> TranslateTableModel::Paste(
    int gridRow, int gridColumn, const std::vector<std::vector<std::string>>& block) {
  std::size_t width = 0;
  for (const auto& line : block) width = std::max(width, line.size());
  if (block.empty() || width == 0) return std::nullopt;
  const std::optional<GridArea> area =
      Clipped(GridArea{gridRow, gridColumn, gridRow + static_cast<int>(block.size()) - 1,
                       gridColumn + static_cast<int>(width) - 1});
  if (!area || area->top != gridRow || area->left != gridColumn) return std::nullopt;
  // Cells a shorter line of the block does not reach keep their text.
  std::vector<std::string> texts = ReadCells(*area);
  const int columns = area->right - area->left + 1;
  for (int row = area->top; row <= area->bottom; ++row) {
    const auto& line = block[static_cast<std::size_t>(row - area->top)];
    for (int column = area->left; column <= area->right; ++column) {
      const auto j = static_cast<std::size_t>(column - area->left);
      if (j < line.size())
        texts[static_cast<std::size_t>((row - area->top) * columns) + j] =
            PastedCellText(column, line[j]);
    }
  }
  WriteArea(*area, std::move(texts), "Paste");
  return area;
}

bool TranslateTableModel::Fill(GridArea area, const std::string& text, const QString& caption) {
  const std::optional<GridArea> clipped = Clipped(area);
  if (!clipped) return false;
  return WriteArea(*clipped, std::vector<std::string>(CellCount(*clipped), text), caption);
}

bool TranslateTableModel::PasteOver(GridArea area, const std::string& text) {
  const std::optional<GridArea> clipped = Clipped(area);
  if (!clipped) return false;
  std::vector<std::string> texts;
  texts.reserve(CellCount(*clipped));
  for (int row = clipped->top; row <= clipped->bottom; ++row)
    for (int column = clipped->left; column <= clipped->right; ++column)
      texts.push_back(PastedCellText(column, text));  // a guarded Mnemonic loses its guard
  return WriteArea(*clipped, std::move(texts), "Paste");
}

bool TranslateTableModel::FillDown(GridArea area) {
  std::optional<GridArea> clipped = Clipped(area);
  if (!clipped) return false;
  int source = clipped->top;
  if (clipped->top == clipped->bottom) {
    if (clipped->top == 1) return false;
    source = clipped->top - 1;
  } else {
    clipped->top += 1;
  }
  std::vector<std::string> texts;
  texts.reserve(CellCount(*clipped));
  for (int row = clipped->top; row <= clipped->bottom; ++row)
    for (int column = clipped->left; column <= clipped->right; ++column)
      texts.push_back(grid_.Cell(source, column));
  return WriteArea(*clipped, std::move(texts), "Fill Down");
}

bool TranslateTableModel::ReplaceRows(const std::vector<TranslateCells>& rows,
                                      const QString& caption) {
  const GridArea all = Rows(1, kMaxTranslateRows);
  std::vector<std::string> texts(CellCount(all));
  const std::size_t count = std::min<std::size_t>(rows.size(), kMaxTranslateRows);
  for (std::size_t i = 0; i < count; ++i)
    std::copy(rows[i].begin(), rows[i].end(), texts.begin() + static_cast<std::ptrdiff_t>(i * 6));
  return WriteArea(all, std::move(texts), caption);
}

bool TranslateTableModel::WriteRows(int firstRow, const std::vector<TranslateCells>& rows,
                                    const QString& caption) {
  if (rows.empty()) return false;
  const GridArea area = Rows(firstRow, firstRow + static_cast<int>(rows.size()) - 1);
  std::vector<std::string> texts;
  texts.reserve(CellCount(area));
  for (const TranslateCells& cells : rows) texts.insert(texts.end(), cells.begin(), cells.end());
  return WriteArea(area, std::move(texts), caption);
}

bool TranslateTableModel::InsertRows(int first, int count) {
  count = std::min(count, kMaxTranslateRows - first + 1);
  if (first < 1 || count < 1) return false;
  for (int row = kMaxTranslateRows - count + 1; row <= kMaxTranslateRows; ++row)
    if (!RowIsEmpty(row)) return false;
  if (LastUsedRow() < first) return true;  // only empty rows would move
  const GridArea inserted = Rows(first, first + count - 1);
  auto* step = new GridStep(*this, "Insert Rows", inserted, inserted);
  new RotateRowsCommand(*this, first, kMaxTranslateRows, count, step);
  undo_->push(step);
  return true;
}

bool TranslateTableModel::DeleteRows(int first, int count) {
  count = std::min(count, kMaxTranslateRows - first + 1);
  if (first < 1 || count < 1 || LastUsedRow() < first) return false;
  const GridArea removed = Rows(first, first + count - 1);
  auto* step = new GridStep(*this, "Delete Rows", removed, removed);
  new WriteCellsCommand(*this, removed, ReadCells(removed),
                        std::vector<std::string>(CellCount(removed)), step);
  new RotateRowsCommand(*this, first, kMaxTranslateRows, -count, step);
  undo_->push(step);
  return true;
}

bool TranslateTableModel::MoveRows(int first, int last, int step) {
  if (first < 1 || last > kMaxTranslateRows || first > last) return false;
  if (step < 0 ? first == 1 : last == kMaxTranslateRows) return false;
  const int delta = step < 0 ? -1 : 1;
  // Rows that are all alike stay as they are.
  const int low = std::min(first, first + delta), high = std::max(last, last + delta);
  bool alike = true;
  for (int row = low + 1; row <= high && alike; ++row) alike = RowCells(row) == RowCells(low);
  if (alike) return false;
  auto* command = new GridStep(*this, step < 0 ? "Move Rows Up" : "Move Rows Down",
                               Rows(first + delta, last + delta), Rows(first, last));
  if (step < 0)
    new RotateRowsCommand(*this, first - 1, last, -1, command);
  else
    new RotateRowsCommand(*this, first, last + 1, 1, command);
  undo_->push(command);
  return true;
}

bool TranslateTableModel::RowIsEmpty(int gridRow) const { return fabrion::RowIsEmpty(grid_, gridRow); }

int TranslateTableModel::LastUsedRow() const { return fabrion::LastUsedRow(grid_); }

TranslateCells TranslateTableModel::RowCells(int gridRow) const {
  TranslateCells cells;
  for (int column = kFirstColumn; column <= kLastColumn; ++column)
    cells[static_cast<std::size_t>(column - kFirstColumn)] = grid_.Cell(gridRow, column);
  return cells;
}

std::vector<std::string> TranslateTableModel::ReadCells(GridArea area) const {
  std::vector<std::string> texts;
  texts.reserve(CellCount(area));
  for (int row = area.top; row <= area.bottom; ++row)
    for (int column = area.left; column <= area.right; ++column)
      texts.push_back(grid_.Cell(row, column));
  return texts;
}

void TranslateTableModel::WriteCells(GridArea area, const std::vector<std::string>& texts) {
  auto text = texts.begin();
  for (int row = area.top; row <= area.bottom; ++row)
    for (int column = area.left; column <= area.right; ++column)
      grid_.SetCell(row, column, *text++);
  AreaChanged(area);
}

void TranslateTableModel::RotateRows(int first, int last, int shift) {
  const int count = last - first + 1;
  shift = ((shift % count) + count) % count;
  if (shift == 0) return;
  std::vector<TranslateCells> rows;
  rows.reserve(static_cast<std::size_t>(count));
  for (int row = first; row <= last; ++row) rows.push_back(RowCells(row));
  std::rotate(rows.rbegin(), rows.rbegin() + shift, rows.rend());
  for (int row = first; row <= last; ++row) {
    TranslateCells& cells = rows[static_cast<std::size_t>(row - first)];
    for (int column = kFirstColumn; column <= kLastColumn; ++column)
      grid_.SetCell(row, column, std::move(cells[static_cast<std::size_t>(column - kFirstColumn)]));
  }
  AreaChanged(Rows(first, last));
}

void TranslateTableModel::StepApplied(GridArea area) {
  if (!recheckDue_) {
    recheckDue_ = true;
    QTimer::singleShot(0, this, [this] {
      if (recheckDue_) Recheck();
    });
  }
  emit StepShown(area);
}

void TranslateTableModel::Recheck() {
  recheckDue_ = false;
  std::vector<MappingWarning> warnings = GridMappingWarnings(grid_, network_);
  if (warnings.size() == warnings_.size() &&
      std::equal(warnings.begin(), warnings.end(), warnings_.begin(),
                 [](const MappingWarning& a, const MappingWarning& b) {
                   return a.row == b.row && a.text == b.text;
                 }))
    return;
  warnings_ = std::move(warnings);
  std::vector<std::string> rows(static_cast<std::size_t>(kMaxTranslateRows));
  for (const MappingWarning& warning : warnings_) {
    std::string& texts = rows[static_cast<std::size_t>(warning.row - 1)];
    texts += (texts.empty() ? "" : "\n") + warning.text;
  }
  int first = kMaxTranslateRows, last = -1;
  for (int i = 0; i < kMaxTranslateRows; ++i) {
    if (rows[static_cast<std::size_t>(i)] == rowWarnings_[static_cast<std::size_t>(i)]) continue;
    first = std::min(first, i);
    last = i;
  }
  rowWarnings_ = std::move(rows);
  if (last >= 0) emit headerDataChanged(Qt::Vertical, first, last);
  emit WarningsChanged();
}

void TranslateTableModel::AreaChanged(GridArea area) {
  emit dataChanged(IndexOf(area.top, area.left), IndexOf(area.bottom, area.right),
                   {Qt::DisplayRole, Qt::EditRole});
}

}  // namespace fabrion
