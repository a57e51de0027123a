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
};

// Splits text into records of cells at separator, as RFC 4180 quotes them: a
// cell that starts with a double quote runs to its closing quote and may
// hold the separator, line breaks and doubled quotes. Records end at LF or
// CRLF; a final line break ends the last record; a leading byte order mark
// is skipped. Empty lines give records with one empty cell.
std::vector<DelimitedRecord> ParseDelimited(std::string_view text, char separator);

// The separator of a CSV text: comma, semicolon or tab, whichever occurs
// most often outside quotes on its first line; comma when none does.
char DetectSeparator(std::string_view text);

// One table row as the six grid cells from Data Type to Mnemonic.
using TranslateCells = std::array<std::string, 6>;

// The CSV file of the rows: UTF-8 byte order mark, the header row of the
// grid's captions, one line per row; comma, CRLF, quoting as RFC 4180 says.
// A Data Type cell naming a type is written by its name; numbers that the
// integer rule reads are written in plain decimal; other cells as they stand.
std::string WriteTranslateCsv(const std::vector<TranslateCells>& rows);

// var.xml's rows as cells to export: the data type by name (the code's text
// when it is not 1 to 4), the four octets dotted, the other texts unchanged.
std::vector<TranslateCells> CellsOfTable(const std::vector<RowTexts>& rows);

// A CSV line that could not be read, and why.
struct CsvRefusal {
  int line = 0;
  std::string reason;
};

// A CSV text read as a translate table.
struct TranslateCsv {
  std::vector<TranslateCells> rows;  // canonical cells: type name, decimal numbers, dotted address
  std::vector<int> lines;            // the CSV line of each row
  std::vector<CsvRefusal> refusals;  // every line refused, in order; empty when all were read
};

// Reads what spreadsheets write: the separator detected, an optional BOM and
// header row (the captions, case ignored, blanks trimmed), empty lines
// skipped, data types by name or code 1 to 4, numbers by the integer rule,
// dotted IPv4 addresses. More than 1400 data lines is refused.
TranslateCsv ReadTranslateCsv(std::string_view text);

}  // namespace fabrion
