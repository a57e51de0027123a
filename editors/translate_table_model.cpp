#include "editors/translate_table_model.h"

#include <QBrush>
#include <QColor>
#include <algorithm>

namespace fabrion {
namespace {

constexpr int kModelColumns = kGridColumns - 1;  // the row numbers are the vertical header

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

}  // namespace

TranslateTableModel::TranslateTableModel(QObject* parent) : QAbstractTableModel(parent) {}

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
  grid_.SetCell(GridRowOf(index), GridColumnOf(index), value.toString().toStdString());
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

Qt::ItemFlags TranslateTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant TranslateTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
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
  AreaChanged(GridArea{1, 1, kMaxTranslateRows, kGridColumns - 1});
}

std::optional<GridArea> TranslateTableModel::Paste(
    int gridRow, int gridColumn, const std::vector<std::vector<std::string>>& block) {
  std::optional<GridArea> written = PasteBlock(grid_, gridRow, gridColumn, block);
  if (written) AreaChanged(*written);
  return written;
}

void TranslateTableModel::Fill(GridArea area, const std::string& text) {
  area.top = std::max(area.top, 1);
  area.left = std::max(area.left, static_cast<int>(kDataTypeColumn));
  area.bottom = std::min(area.bottom, kMaxTranslateRows);
  area.right = std::min(area.right, kGridColumns - 1);
  if (area.top > area.bottom || area.left > area.right) return;
  FillArea(grid_, area, text);
  AreaChanged(area);
}

void TranslateTableModel::AreaChanged(GridArea area) {
  emit dataChanged(IndexOf(area.top, area.left), IndexOf(area.bottom, area.right),
                   {Qt::DisplayRole, Qt::EditRole});
}

}  // namespace fabrion
