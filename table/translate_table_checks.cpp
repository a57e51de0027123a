#include "table/translate_table_checks.h"

#include <algorithm>
#include <cassert>

#include "documents/data_types.h"
#include "documents/gateway_codes.h"
#include "documents/integer_rule.h"
#include "documents/translate_csv.h"
#include "documents/utf8_text.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) {
  return value >= low && value <= high;
}

bool IsEditable(int row, int column) {
  return row >= 1 && row < kGridRows && column > kNumberColumn && column < kGridColumns;
}

// Rows 1 down to the first empty Address RTU cell belong to the table.
bool InTable(const TranslateGrid& grid, int row) {
  return row < kGridRows && !grid.Cell(row, kAddressRtuColumn).empty();
}

// One check of the collect pass: reads one cell of the row into the record,
// or returns its refusal.
using CellCheck = std::optional<std::string> (*)(const TranslateGrid& grid, int row, TMyRec& record);

// An integer cell within [low, high] into field, or message.
template <typename Field>
std::optional<std::string> ReadNumber(const std::string& cell, std::int32_t low, std::int32_t high,
                                      Field& field, std::string_view message) {
  const std::int32_t value = IntegerOr(cell, -1);
  if (!InRange(value, low, high)) return std::string(message);
  field = static_cast<Field>(value);
  return std::nullopt;
}

std::optional<std::string> ReadDataType(const TranslateGrid& grid, int row, TMyRec& record) {
  auto code = DataTypeCode(grid.Cell(row, kDataTypeColumn));
  if (!code) return DataTypeMessage(row);
  record.DataType = static_cast<std::uint8_t>(*code);
  return std::nullopt;
}

std::optional<std::string> ReadAddressRtu(const TranslateGrid& grid, int row, TMyRec& record) {
  return ReadNumber(grid.Cell(row, kAddressRtuColumn), 0, kLastAddress, record.RtuAddress,
                    kAddressRtuMessage);
}

std::optional<std::string> ReadDeviceIp(const TranslateGrid& grid, int row, TMyRec& record) {
  const std::string& ip = grid.Cell(row, kDeviceIpColumn);
  if (!ParseIpAddress(ip, record.DeviceIp)) return DeviceIpMessage(ip);
  return std::nullopt;
}

std::optional<std::string> ReadAddressTcp(const TranslateGrid& grid, int row, TMyRec& record) {
  return ReadNumber(grid.Cell(row, kAddressTcpColumn), 0, kLastAddress, record.TcpAddress,
                    kAddressTcpMessage);
}

// 0 to 126, though the message says 127.
std::optional<std::string> ReadPointCount(const TranslateGrid& grid, int row, TMyRec& record) {
  return ReadNumber(grid.Cell(row, kPointCountColumn), 0, 126, record.PointCount,
                    kPointCountMessage);
}

// var.xml stays XML 1.0, which cannot hold a pasted control character.
std::optional<std::string> ReadMnemonic(const TranslateGrid& grid, int row, TMyRec& record) {
  record.Mnemonic = grid.Cell(row, kMnemonicColumn);
  if (!IsXmlText(record.Mnemonic)) return MnemonicMessage(row);
  return std::nullopt;
}

// The collect pass's checks of one row, in column order: CollectRows stops
// at the first refusal, CheckEveryRow gathers them all, ReadableRows keeps
// the rows with none. A new check of a row's cells goes into this list.
constexpr CellCheck kRowChecks[] = {ReadDataType,   ReadAddressRtu, ReadDeviceIp,
                                    ReadAddressTcp, ReadPointCount, ReadMnemonic};

}  // namespace

TranslateGrid::TranslateGrid() : cells_(kGridRows) {
  for (int column = 0; column < kGridColumns; ++column)
    cells_[0][static_cast<std::size_t>(column)] = std::string(kGridCaptions[column]);
  Reset();
}

const std::string& TranslateGrid::Cell(int row, int column) const {
  assert(row >= 0 && row < kGridRows && column >= 0 && column < kGridColumns);
  return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void TranslateGrid::SetCell(int row, int column, std::string text) {
  assert(row >= 0 && row < kGridRows && column >= 0 && column < kGridColumns);
  cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = std::move(text);
}

void TranslateGrid::Reset() {
  for (int row = 1; row < kGridRows; ++row) {
    auto& cells = cells_[static_cast<std::size_t>(row)];
    for (auto& cell : cells) cell.clear();
    cells[kNumberColumn] = std::to_string(row);
  }
}

void PlaceRows(TranslateGrid& grid, const std::vector<RowTexts>& rows) {
  const int count = static_cast<int>(std::min<std::size_t>(rows.size(), kMaxTranslateRows));
  for (int i = 0; i < count; ++i) {
    TranslateCells cells = CellsOfRow(rows[static_cast<std::size_t>(i)]);
    for (std::size_t c = 0; c < cells.size(); ++c)
      grid.SetCell(i + 1, kDataTypeColumn + static_cast<int>(c), std::move(cells[c]));
  }
}

std::string DataTypeMessage(int line) {
  return "Error!! Type Data must be Coil Status or Input Status or Holding Register or Input "
         "Register (Line " +
         std::to_string(line) + "). ";
}

std::string DeviceIpMessage(std::string_view text) {
  return "Error!! Address Device TCP [" + std::string(text) +
         "] must be a valid TCP IP Address (Ex. 192.168.1.125). ";
}

std::string MnemonicMessage(int line) {
  return "Error!! Mnemonic must not hold control characters (Line " + std::to_string(line) + "). ";
}

std::optional<std::string> CheckDataTypes(const TranslateGrid& grid) {
  for (int row = 1; row < kGridRows; ++row) {
    const std::string& name = grid.Cell(row, kDataTypeColumn);
    if (!name.empty() && !DataTypeCode(name)) return DataTypeMessage(row);
  }
  return std::nullopt;
}

std::optional<std::string> CollectRows(const TranslateGrid& grid, std::vector<TMyRec>& rows) {
  rows.clear();
  for (int row = 1; InTable(grid, row); ++row) {
    TMyRec record;
    for (CellCheck check : kRowChecks)
      if (auto refusal = check(grid, row, record)) return refusal;
    rows.push_back(std::move(record));
  }
  return std::nullopt;
}

std::optional<std::pair<int, int>> FirstRefusedCell(const TranslateGrid& grid) {
  for (int row = 1; row < kGridRows; ++row) {
    const std::string& name = grid.Cell(row, kDataTypeColumn);
    if (!name.empty() && !DataTypeCode(name)) return std::pair{row, int(kDataTypeColumn)};
  }
  for (int row = 1; InTable(grid, row); ++row) {
    TMyRec record;
    for (int i = 0; i < int(std::size(kRowChecks)); ++i)
      if (kRowChecks[i](grid, row, record)) return std::pair{row, kDataTypeColumn + i};
  }
  return std::nullopt;
}

std::optional<std::string> ValidateTable(const TranslateGrid& grid, std::vector<TMyRec>& rows) {
  if (auto refusal = CheckDataTypes(grid)) {
    rows.clear();
    return refusal;
  }
  return CollectRows(grid, rows);
}

std::vector<RowRefusal> CheckEveryRow(const TranslateGrid& grid) {
  std::vector<RowRefusal> refusals;
  int row = 1;
  for (; InTable(grid, row); ++row) {
    TMyRec record;
    for (CellCheck check : kRowChecks)
      if (auto refusal = check(grid, row, record)) refusals.push_back({row, std::move(*refusal)});
  }
  for (; row < kGridRows; ++row) {
    const std::string& name = grid.Cell(row, kDataTypeColumn);
    if (!name.empty() && !DataTypeCode(name)) refusals.push_back({row, DataTypeMessage(row)});
  }
  return refusals;
}

std::vector<NumberedRow> ReadableRows(const TranslateGrid& grid) {
  std::vector<NumberedRow> rows;
  for (int row = 1; InTable(grid, row); ++row) {
    NumberedRow& numbered = rows.emplace_back();
    numbered.row = row;
    for (CellCheck check : kRowChecks) {
      if (check(grid, row, numbered.record)) {
        rows.pop_back();
        break;
      }
    }
  }
  return rows;
}

std::vector<TranslateCells> TableCells(const TranslateGrid& grid) {
  std::vector<TranslateCells> rows;
  for (int row = 1; InTable(grid, row); ++row) {
    TranslateCells& cells = rows.emplace_back();
    for (std::size_t i = 0; i < cells.size(); ++i)
      cells[i] = grid.Cell(row, kDataTypeColumn + static_cast<int>(i));
  }
  return rows;
}

void PlaceCells(TranslateGrid& grid, const std::vector<TranslateCells>& rows) {
  const std::size_t count = std::min<std::size_t>(rows.size(), kMaxTranslateRows);
  for (std::size_t i = 0; i < count; ++i)
    for (std::size_t j = 0; j < rows[i].size(); ++j)
      grid.SetCell(static_cast<int>(i) + 1, kDataTypeColumn + static_cast<int>(j), rows[i][j]);
}

std::vector<CsvRefusal> ImportRefusals(const TranslateCsv& csv) {
  std::vector<CsvRefusal> refusals = csv.refusals;
  TranslateGrid grid;
  PlaceCells(grid, csv.rows);
  for (RowRefusal& refusal : CheckEveryRow(grid)) {
    const int line = csv.lines[static_cast<std::size_t>(refusal.row - 1)];
    // A message that names its line names the CSV's, not the grid row it would fill.
    if (refusal.message == MnemonicMessage(refusal.row))
      refusal.message = MnemonicMessage(line);
    else if (refusal.message == DataTypeMessage(refusal.row))
      refusal.message = DataTypeMessage(line);
    refusals.push_back({line, std::move(refusal.message)});
  }
  std::stable_sort(refusals.begin(), refusals.end(),
                   [](const CsvRefusal& a, const CsvRefusal& b) { return a.line < b.line; });
  return refusals;
}

std::vector<std::vector<std::string>> ParseTabSeparated(std::string_view text) {
  std::vector<std::vector<std::string>> lines;
  for (DelimitedRecord& record : ParseDelimited(text, '\t', /*wholeQuotedCells=*/true)) {
    if (lines.empty() && IsTranslateCsvHeader(record.cells)) continue;
    lines.push_back(std::move(record.cells));
  }
  return lines;
}

std::string PastedCellText(int column, std::string_view text) {
  return column == kMnemonicColumn ? UnguardedMnemonic(text) : std::string(text);
}

std::optional<std::string> PasteRefusal(int row, int column,
                                        const std::vector<std::vector<std::string>>& block) {
  std::size_t width = 0;
  for (const auto& line : block) width = std::max(width, line.size());
  const int rows = static_cast<int>(block.size());
  const int cells = static_cast<int>(width);
  const int rowsFit = kGridRows - row;
  const int cellsFit = kGridColumns - column;
  if (rows <= rowsFit && cells <= cellsFit) return std::nullopt;
  auto count = [](int n, const char* noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
  };
  return "Cannot paste " + count(rows, "row") + " of " + count(cells, "cell") + " at row " +
         std::to_string(row) + ", " + std::string(kGridCaptions[column]) + ": " +
         count(std::min(rows, rowsFit), "row") + " of " + count(std::min(cells, cellsFit), "cell") +
         " fit there. Nothing was pasted.";
}

std::string CopyArea(const TranslateGrid& grid, GridArea area) {
  std::string text;
  for (int row = area.top; row <= area.bottom; ++row) {
    for (int column = area.left; column <= area.right; ++column) {
      if (column > area.left) text += '\t';
      const std::string& cell = grid.Cell(row, column);
      text += QuoteCell(column == kMnemonicColumn ? GuardedMnemonic(cell) : cell, '\t');
    }
    text += '\n';
  }
  return text;
}

std::optional<GridArea> PasteBlock(TranslateGrid& grid, int row, int column,
                                   const std::vector<std::vector<std::string>>& block) {
  row = std::max(row, 1);
  column = std::max(column, static_cast<int>(kDataTypeColumn));
  std::optional<GridArea> written;
  for (std::size_t i = 0; i < block.size(); ++i) {
    const int r = row + static_cast<int>(i);
    if (r >= kGridRows) break;
    for (std::size_t j = 0; j < block[i].size(); ++j) {
      const int c = column + static_cast<int>(j);
      if (c >= kGridColumns) break;
      grid.SetCell(r, c, PastedCellText(c, block[i][j]));
      if (!written) written = GridArea{r, c, r, c};
      written->bottom = std::max(written->bottom, r);
      written->right = std::max(written->right, c);
    }
  }
  return written;
}

void FillArea(TranslateGrid& grid, GridArea area, const std::string& text) {
  for (int row = area.top; row <= area.bottom; ++row)
    for (int column = area.left; column <= area.right; ++column)
      if (IsEditable(row, column)) grid.SetCell(row, column, text);
}

}  // namespace fabrion

namespace fabrion {

namespace {

bool HoldsText(const TranslateGrid& grid, int row) {
  for (int column = kDataTypeColumn; column < kGridColumns; ++column)
    if (!grid.Cell(row, column).empty()) return true;
  return false;
}

int TableEnd(const TranslateGrid& grid) {
  int row = 1;
  while (InTable(grid, row)) ++row;
  return row;
}

}  // namespace

std::optional<RowsBelowTable> FindRowsBelowTable(const TranslateGrid& grid) {
  RowsBelowTable found{TableEnd(grid), 0, 0};
  for (int row = found.emptyRow + 1; row < kGridRows; ++row) {
    if (!HoldsText(grid, row)) continue;
    if (!found.first) found.first = row;
    found.last = row;
  }
  if (!found.first) return std::nullopt;
  return found;
}

std::string RowsBelowTableQuestion(const RowsBelowTable& rows) {
  return "Rows " + std::to_string(rows.first) + " to " + std::to_string(rows.last) +
         " hold data below row " + std::to_string(rows.emptyRow) +
         ", which has no Address RTU, and will not be saved. Save anyway?";
}

std::vector<MappingWarning> GridMappingWarnings(const TranslateGrid& grid,
                                                const std::optional<GatewayNetwork>& network) {
  std::vector<MappingWarning> warnings = CheckMapping(ReadableRows(grid), network);
  const int end = TableEnd(grid);
  const std::string text =
      "not saved: below row " + std::to_string(end) + ", which has no Address RTU";
  for (int row = end + 1; row < kGridRows; ++row)
    if (HoldsText(grid, row)) warnings.push_back({MappingWarningKind::kBelowTable, row, 0, text});
  return warnings;
}

std::vector<MappingWarning> ProjectMappingWarnings(std::string_view varPath,
                                                   std::string_view parGenPath) {
  TranslateGrid grid;
  PlaceRows(grid, ReadTable(varPath));
  std::optional<GatewayNetwork> network;
  if (FileExists(parGenPath)) network = GatewayNetworkOf(ReadGeneralParameters(parGenPath));
  return CheckMapping(ReadableRows(grid), network);
}

}  // namespace fabrion
