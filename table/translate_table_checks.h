#pragma once
// The translate table as the Set Translate Table grid holds it (texts only),
// how var.xml rows are placed into it, and the checks OK runs over it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "documents/ip_address.h"
#include "documents/mapping_checks.h"
#include "documents/translate_csv.h"
#include "documents/var_document.h"

namespace fabrion {

inline constexpr int kGridColumns = 7;
inline constexpr int kGridRows = kMaxTranslateRows + 1;  // the header row and rows 1 to 1400

enum GridColumn : int {
  kNumberColumn = 0,
  kDataTypeColumn,
  kAddressRtuColumn,
  kDeviceIpColumn,
  kAddressTcpColumn,
  kPointCountColumn,
  kMnemonicColumn,
};

// Header row captions, column 0 first (the CSV header's from column 1).
inline constexpr std::array<std::string_view, kGridColumns> kGridCaptions = {
    "N\xC2\xB0",
    kTranslateCsvCaptions[0],
    kTranslateCsvCaptions[1],
    kTranslateCsvCaptions[2],
    kTranslateCsvCaptions[3],
    kTranslateCsvCaptions[4],
    kTranslateCsvCaptions[5]};

// A rectangle of grid cells, bounds included.
struct GridArea {
  int top = 1, left = 1, bottom = 1, right = 1;
  bool operator==(const GridArea&) const = default;
};

// The grid sga: row 0 holds the captions, column 0 the row numbers 1 to 1400;
// every other cell is free text.
class TranslateGrid {
 public:
  TranslateGrid();

  // row 0 to 1400, column 0 to 6; other coordinates are the caller's fault.
  const std::string& Cell(int row, int column) const;
  void SetCell(int row, int column, std::string text);

  // Every data cell emptied and the row numbers written again.
  void Reset();

 private:
  std::vector<std::array<std::string, kGridColumns>> cells_;
};

// Places the rows read from var.xml from grid row 1 down, each row's six cells
// as CellsOfRow gives them; rows past the 1400th are left out.
void PlaceRows(TranslateGrid& grid, const std::vector<RowTexts>& rows);

// "Error!! Type Data must be ... (Line <line>). "
std::string DataTypeMessage(int line);
inline constexpr std::string_view kAddressRtuMessage =
    "Error!! Address RTU must be between 0 and 65535. ";
inline constexpr std::string_view kAddressTcpMessage =
    "Error!! Address TCP must be between 0 and 65535. ";
inline constexpr std::string_view kPointCountMessage =
    "Error!! N\xC2\xB0 Point must be between 0 and 127. ";
// "Error!! Address Device TCP [<text>] must be a valid TCP IP Address (Ex. 192.168.1.125). "
std::string DeviceIpMessage(std::string_view text);
// "Error!! Mnemonic must not hold control characters (Line <line>). "
std::string MnemonicMessage(int line);

// OK's first pass: every non-empty Data Type cell of rows 1 to 1400 names a
// data type; the message for the first that does not, or nothing.
std::optional<std::string> CheckDataTypes(const TranslateGrid& grid);

// OK's second pass: rows from 1 down to the first empty Address RTU cell,
// each checked column by column into one record. Empties rows first; on the
// first refusal returns its message (rows then holds the rows before it).
std::optional<std::string> CollectRows(const TranslateGrid& grid, std::vector<TMyRec>& rows);

// The cell of OK's first refusal, as {row, column}, or nothing when OK saves.
std::optional<std::pair<int, int>> FirstRefusedCell(const TranslateGrid& grid);

// Both passes of OK in order: the first refusal, or nothing with rows built.
std::optional<std::string> ValidateTable(const TranslateGrid& grid, std::vector<TMyRec>& rows);

// A refusal of OK and the grid row it is about.
struct RowRefusal {
  int row = 0;
  std::string message;  // OK's message, as its error box shows it
  bool operator==(const RowRefusal&) const = default;
};

// Every refusal of OK, not only the first, in row order: each row of the
// table (1 down to the first empty Address RTU) with the message of each of
// its cells that fails, in column order; each row below the table whose
// Data Type cell is filled and names no data type, with the data type
// message. Empty exactly when OK saves.
std::vector<RowRefusal> CheckEveryRow(const TranslateGrid& grid);

// The rows of the table whose cells pass OK's checks, as records with their
// row numbers; rows that fail are left out. Cheap enough for every edit.
std::vector<NumberedRow> ReadableRows(const TranslateGrid& grid);

// Rows that hold text below the table's end, which OK does not save: the
// first row without an Address RTU and the first and last row with text
// (Data Type to Mnemonic) below it.
struct RowsBelowTable {
  int emptyRow = 0;
  int first = 0;
  int last = 0;
  bool operator==(const RowsBelowTable&) const = default;
};
std::optional<RowsBelowTable> FindRowsBelowTable(const TranslateGrid& grid);

// OK's question before it saves without them: "Rows N to M hold data below
// row K, which has no Address RTU, and will not be saved. Save anyway?"
std::string RowsBelowTableQuestion(const RowsBelowTable& rows);

// The grid's mapping warnings: those of the rows OK would save, then one
// "not saved: below row K, which has no Address RTU" on each row with text
// below the table.
std::vector<MappingWarning> GridMappingWarnings(const TranslateGrid& grid,
                                                const std::optional<GatewayNetwork>& network);

// The mapping warnings of a project's var.xml against its pargen.xml (the
// network checks left out when that is missing or its addresses are not
// valid). Throws Error or DocumentParseError when a document cannot be read.
std::vector<MappingWarning> ProjectMappingWarnings(std::string_view varPath,
                                                   std::string_view parGenPath);

// The table's rows (1 down to the first empty Address RTU) as they stand,
// Data Type to Mnemonic: what "Export CSV" writes.
std::vector<TranslateCells> TableCells(const TranslateGrid& grid);

// The rows' cells placed from grid row 1 down (at most 1400 rows); the other
// rows are left as they are.
void PlaceCells(TranslateGrid& grid, const std::vector<TranslateCells>& rows);

// Every refusal of an import: the CSV reader's, and OK's over the rows it
// read (placed from row 1 down), each at its CSV line, in line order. Empty
// exactly when the rows may replace the grid and OK would save them.
std::vector<CsvRefusal> ImportRefusals(const TranslateCsv& csv);

// Spreadsheet clipboard text: lines (LF or CRLF, a final line break ends the
// last line) of tab-separated cells, read as ParseDelimited reads them (a
// quoted cell may hold tabs, line breaks and doubled quotes; only a cell that
// is one quoted field from its first to its last character is unquoted). A
// first line that is the table's captions is left out, as the import does.
std::vector<std::vector<std::string>> ParseTabSeparated(std::string_view text);
// A pasted cell's text as the grid keeps it: a Mnemonic loses the "'" that
// CopyArea and the export put before a formula (UnguardedMnemonic).
std::string PastedCellText(int column, std::string_view text);
// Why the block cannot be pasted with its first cell at (row, column), row 1
// to 1400 and column Data Type to Mnemonic: it reaches past row 1400 or past
// Mnemonic; the message says how many rows and cells fit. Nothing when it fits.
std::optional<std::string> PasteRefusal(int row, int column,
                                        const std::vector<std::vector<std::string>>& block);
// The area's cells as tab-separated lines, each ended by a line feed; a cell
// holding a tab, a line break or a double quote is quoted (QuoteCell), so
// that ParseTabSeparated and spreadsheets read it back whole.
std::string CopyArea(const TranslateGrid& grid, GridArea area);

// Writes the block with its first cell at (row, column), dropping what falls
// beyond row 1400 or column 6; the row-number column and the header row are
// never written. Returns the area written, or nothing when none was.
std::optional<GridArea> PasteBlock(TranslateGrid& grid, int row, int column,
                                   const std::vector<std::vector<std::string>>& block);

// Every editable cell of the area set to text (clipped as PasteBlock clips).
void FillArea(TranslateGrid& grid, GridArea area, const std::string& text);

}  // namespace fabrion
