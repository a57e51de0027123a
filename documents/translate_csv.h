#pragma once
// The translate table as CSV text, as spreadsheet programs write and read it,
// and the delimited-text reader that the grid's clipboard shares.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "documents/var_document.h"

namespace fabrion {

// One record of delimited text and the 1-based line on which it starts.
struct DelimitedRecord {
  int line = 0;
  std::vector<std::string> cells;
  // A cell opened a quote that no later quote closes; that cell was taken as
  // it stands, up to the next separator or line end.
  bool strayQuote = false;
};

// Splits text into records of cells at separator, as RFC 4180 quotes them: a
// cell that starts with a double quote runs to its closing quote and may
// hold the separator, line breaks and doubled quotes (text after the closing
// quote is kept as it stands). Records end at LF, CRLF or a lone CR; a final line break
// ends the last record; a leading byte order mark is skipped. Empty lines
// give records with one empty cell. With wholeQuotedCells (clipboard text) a
// cell is unquoted only when it is one quoted field from its first to its
// last character; `"Tank A" level` is then taken as it stands.
std::vector<DelimitedRecord> ParseDelimited(std::string_view text, char separator,
                                            bool wholeQuotedCells = false);

// A Mnemonic as a spreadsheet may read it without running it: a text that
// starts with "=", "+", "-", "@", a tab or a CR after any number of "'" gets
// one "'" more in front (spreadsheets show a leading "'" as nothing).
// UnguardedMnemonic takes exactly that one "'" away again, so the two are
// exact inverses; other texts pass both unchanged.
std::string GuardedMnemonic(std::string_view text);
std::string UnguardedMnemonic(std::string_view text);

// Whether cells are the CSV header: the six captions, in any case.
bool IsTranslateCsvHeader(const std::vector<std::string>& cells);

// The separator of a CSV text: of comma, semicolon and tab, the one that
// splits its first lines that are not empty (up to 20) all into the same
// number of cells, the most cells where several do; when none does, the one
// that occurs most often outside quotes on the first line (comma when none
// does; ties go to comma, then semicolon).
char DetectSeparator(std::string_view text);

// One cell as delimited text: in double quotes, its quotes doubled, when it
// holds the separator, a double quote, CR or LF, or starts with a byte order
// mark; otherwise as it stands.
std::string QuoteCell(std::string_view cell, char separator);

// One table row as the six grid cells from Data Type to Mnemonic.
using TranslateCells = std::array<std::string, 6>;

// The CSV header row: the grid's captions from Data Type to Mnemonic.
inline constexpr std::array<std::string_view, 6> kTranslateCsvCaptions = {
    "Data Type", "Address RTU", "Address Device TCP", "Address TCP", "N\xC2\xB0 Point",
    "Mnemonic"};

// The CSV file of the rows: UTF-8 byte order mark, the header row of the
// grid's captions, one line per row; comma, CRLF, quoting as RFC 4180 says.
// A Data Type cell naming a type is written by its name; numbers that the
// integer rule reads and addresses that read as dotted IPv4 are written in
// plain decimal; other cells as they stand.
std::string WriteTranslateCsv(const std::vector<TranslateCells>& rows);

// One var.xml row as the grid shows it: the Data Type code read by the
// integer rule as its name (empty for anything but 1 to 4), the four octets
// dotted, the other texts unchanged. A row that lacked an attribute gives the
// cells read before it (the address only when all four octets were read) and
// empty cells after.
TranslateCells CellsOfRow(const RowTexts& row);

// var.xml's rows as cells to export: each as CellsOfRow gives it, but a Data
// Type code that names no type kept as its text.
std::vector<TranslateCells> CellsOfTable(const std::vector<RowTexts>& rows);

// A CSV line that could not be read, and why (whole sentences, without the
// line number).
struct CsvRefusal {
  int line = 0;
  std::string reason;
  bool operator==(const CsvRefusal&) const = default;
};

// A CSV text read as a translate table.
struct TranslateCsv {
  std::vector<TranslateCells> rows;  // canonical cells: type name, decimal numbers, dotted address
  std::vector<int> lines;            // the CSV line of each row
  std::vector<CsvRefusal> refusals;  // every line refused, in order; empty when all were read
};

// Reads what spreadsheets write: the separator detected, an optional BOM and
// header row (the captions, case ignored, blanks trimmed), empty lines and
// lines of empty cells skipped, empty cells after the sixth ignored, data
// types by name (case ignored, blanks trimmed) or code 1 to 4, numbers by the
// integer rule, dotted IPv4 addresses, UTF-8 text. Numbers are passed on
// whatever their range: the OK checks judge it, with their own messages.
// A refused line names every cell it could not read. More than 1400 data
// lines is refused at the 1401st, and reading stops there.
TranslateCsv ReadTranslateCsv(std::string_view text);

}  // namespace fabrion
