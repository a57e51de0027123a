#include "table/row_commands.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "documents/gateway_codes.h"
#include "documents/integer_rule.h"
#include "documents/ip_address.h"

namespace fabrion {
namespace {

TranslateCells CellsOfRow(const TranslateGrid& grid, int row) {
  TranslateCells cells;
  for (int column = kDataTypeColumn; column < kGridColumns; ++column)
    cells[static_cast<std::size_t>(column - kDataTypeColumn)] = grid.Cell(row, column);
  return cells;
}

bool NoRoom(int first, int last, int below) {
  return first < 1 || last < first || below + (last - first + 1) > kMaxTranslateRows;
}

// The first row down to `below` with an empty Address RTU: rows under it
// are not saved, so copies there would be lost.
std::optional<std::string> UnsavedRowsRefusal(const TranslateGrid& grid, int below) {
  for (int row = 1; row <= below; ++row) {
    if (!grid.Cell(row, kAddressRtuColumn).empty()) continue;
    return "Error!! Row " + std::to_string(row) +
           " has no Address RTU, so the rows below it are not saved. Fill or delete row " +
           std::to_string(row) + " first. ";
  }
  return std::nullopt;
}

}  // namespace

std::string RowsText(int first, int last) {
  return first == last ? "row " + std::to_string(first)
                       : "rows " + std::to_string(first) + " to " + std::to_string(last);
}

std::string InsertRefusal(int count) {
  const int first = kMaxTranslateRows - count + 1;
  return std::string(count == 1 ? "Cannot insert a row"
                                : "Cannot insert " + std::to_string(count) + " rows") +
         ": the table always holds " + std::to_string(kMaxTranslateRows) + " rows, and " +
         RowsText(first, kMaxTranslateRows) + " at its end " + (count == 1 ? "is" : "are") +
         " not empty. Delete rows at the end first.";
}

bool RowIsEmpty(const TranslateGrid& grid, int row) {
  for (int column = kDataTypeColumn; column < kGridColumns; ++column)
    if (!grid.Cell(row, column).empty()) return false;
  return true;
}

int LastUsedRow(const TranslateGrid& grid) {
  for (int row = kMaxTranslateRows; row >= 1; --row)
    if (!RowIsEmpty(grid, row)) return row;
  return 0;
}

std::optional<std::string> ProposeDuplicate(const TranslateGrid& grid, int first, int last,
                                            DuplicateProposal& proposal) {
  proposal = DuplicateProposal{};
  proposal.below = LastUsedRow(grid);
  if (NoRoom(first, last, proposal.below))
    return "Cannot duplicate " + RowsText(first, last) + ": the copies go below row " +
           std::to_string(proposal.below) + ", the last row in use, and the table ends at row " +
           std::to_string(kMaxTranslateRows) + ".";
  std::optional<std::int64_t> low, high;
  for (int row = first; row <= last; ++row) {
    const std::optional<std::int32_t> rtu = ParseInteger(grid.Cell(row, kAddressRtuColumn));
    if (!rtu) continue;
    const std::int64_t end = std::int64_t{*rtu} + IntegerOr(grid.Cell(row, kPointCountColumn), 0);
    low = std::min(low.value_or(*rtu), std::int64_t{*rtu});
    high = std::max(high.value_or(end), end);
  }
  proposal.offset = low ? static_cast<int>(*high - *low) : 0;
  proposal.ip = grid.Cell(first, kDeviceIpColumn);
  return std::nullopt;
}

std::optional<std::string> PlanDuplicateRows(const TranslateGrid& grid, int first, int last,
                                             std::string_view offsetText, std::string_view ipText,
                                             std::vector<TranslateCells>& copies) {
  copies.clear();
  const std::optional<std::int32_t> offset = ParseInteger(offsetText);
  if (!offset || *offset < -kLastAddress || *offset > kLastAddress)
    return "Error!! RTU address offset must be between -65535 and 65535. ";
  std::array<std::uint8_t, 4> octets{};
  if (!ParseIpAddress(ipText, octets)) return DeviceIpMessage(ipText);
  const int below = LastUsedRow(grid);
  if (NoRoom(first, last, below))
    return "Error!! There is no room for the copies below row " + std::to_string(below) + ". ";
  if (std::optional<std::string> refusal = UnsavedRowsRefusal(grid, below)) return refusal;
  const std::string ip = DottedIp(octets);
  std::vector<TranslateCells> planned;
  for (int row = first; row <= last; ++row) {
    TranslateCells cells = CellsOfRow(grid, row);
    const std::optional<std::int32_t> rtu = ParseInteger(cells[kAddressRtuColumn - 1]);
    const std::int64_t moved = rtu ? std::int64_t{*rtu} + *offset : -1;
    if (!rtu || *rtu < 0 || *rtu > kLastAddress || moved < 0 || moved > kLastAddress)
      return "Error!! Address RTU of row " + std::to_string(row) +
             " plus the offset must be between 0 and 65535. ";
    cells[kAddressRtuColumn - 1] = std::to_string(moved);
    cells[kDeviceIpColumn - 1] = ip;
    planned.push_back(std::move(cells));
  }
  copies = std::move(planned);
  return std::nullopt;
}

}  // namespace fabrion
