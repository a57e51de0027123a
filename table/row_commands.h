#pragma once
// The rules of the grid's row commands. Insert Rows keeps 1400 rows, so it
// needs empty rows at the end; Duplicate Rows copies rows below the last row
// in use, their Address RTU moved by an offset and their device address
// replaced (the window asks for both; what is refused is decided here).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/translate_csv.h"
#include "table/translate_table_checks.h"

namespace fabrion {

// "row 7" or "rows 7 to 9", as messages name rows first to last.
std::string RowsText(int first, int last);

// True when every cell of the row, Data Type to Mnemonic, is empty.
bool RowIsEmpty(const TranslateGrid& grid, int row);
// The lowest row with a cell in use, or 0 for an empty grid.
int LastUsedRow(const TranslateGrid& grid);

// "Cannot insert 3 rows: the table always holds 1400 rows, and rows 1398 to
// 1400 at its end are not empty. Delete rows at the end first."
std::string InsertRefusal(int count);

// What the window proposes for copies of rows first to last (1 <= first <= last).
struct DuplicateProposal {
  int below = 0;  // the copies go below this row, the last row in use
  // Puts the copies' RTU addresses right after the originals': the span of
  // their ranges (Address RTU to Address RTU + N° Point), 0 when no row
  // holds an Address RTU.
  int offset = 0;
  std::string ip;  // the first row's device address, as typed
};

// The proposal, or the message that refuses before asking: "Cannot
// duplicate rows 1 to 2: the copies go below row ..., the last row in use,
// and the table ends at row 1400."
std::optional<std::string> ProposeDuplicate(const TranslateGrid& grid, int first, int last,
                                            DuplicateProposal& proposal);

// The copies of rows first to last for the offset and address typed, to be
// written from row LastUsedRow(grid) + 1 down; or the first refusal (an
// error box's message) with copies left empty. Refused: an offset that is
// no integer in -65535..65535, an address that is not dotted IPv4, no room
// below the last row in use, a row above the copies with an empty Address
// RTU (its rows below would not be saved), a copied Address RTU outside
// 0..65535 before or after the offset.
std::optional<std::string> PlanDuplicateRows(const TranslateGrid& grid, int first, int last,
                                             std::string_view offset, std::string_view ip,
                                             std::vector<TranslateCells>& copies);

}  // namespace fabrion
