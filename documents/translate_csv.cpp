#include "documents/translate_csv.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "documents/data_types.h"
#include "documents/integer_rule.h"
#include "documents/ip_address.h"
#include "documents/utf8_text.h"
#include "platform/hex_text.h"

namespace fabrion {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

enum CsvColumn : std::size_t { kType, kRtu, kIp, kTcp, kPoints, kMnemonic };

std::string_view WithoutBom(std::string_view text) {
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
  return text;
}

// Splits delimited text record by record, so a reader may stop early.
class DelimitedReader {
 public:
  DelimitedReader(std::string_view text, char separator, bool wholeQuotedCells = false)
      : text_(WithoutBom(text)), separator_(separator), wholeQuotedCells_(wholeQuotedCells) {}

  // The next record; false at the end of the text.
  bool Next(DelimitedRecord& record) {
    if (at_ >= text_.size()) return false;
    record.line = line_;
    record.cells.clear();
    record.strayQuote = false;
    while (ReadCell(record.cells.emplace_back(), record.strayQuote)) {
    }
    return true;
  }

 private:
  // One cell from at_; true when a separator follows it (the record goes on).
  bool ReadCell(std::string& cell, bool& strayQuote) {
    if (at_ < text_.size() && text_[at_] == '"') {
      const std::size_t start = at_;
      const int line = line_;
      if (!ReadQuoted(cell)) {
        strayQuote = true;
      } else if (wholeQuotedCells_ && !EndsCell(at_)) {
        // Text after the closing quote: the cell is taken as it stands.
        cell.clear();
        at_ = start;
        line_ = line;
      }
    }
    // Up to the separator or the line end, as it stands.
    // A line ends at LF, CRLF or a lone CR (old Mac exports), mixed as they come.
    std::size_t end = at_;
    while (end < text_.size() && text_[end] != separator_ && text_[end] != '\n' &&
           text_[end] != '\r')
      ++end;
    cell.append(text_.substr(at_, end - at_));
    const bool more = end < text_.size() && text_[end] == separator_;
    if (end < text_.size() && !more) {
      ++line_;
      if (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') ++end;
    }
    at_ = end < text_.size() ? end + 1 : end;
    return more;
  }

  // The quoted part of a cell starting at at_ (its opening quote); at_ then
  // follows the closing quote. False, with nothing taken, when no quote
  // closes it.
  bool ReadQuoted(std::string& cell) {
    std::size_t from = at_ + 1;
    std::string content;
    for (;;) {
      const std::size_t quote = text_.find('"', from);
      if (quote == std::string_view::npos) return false;
      content.append(text_.substr(from, quote - from));
      if (quote + 1 < text_.size() && text_[quote + 1] == '"') {
        content += '"';
        from = quote + 2;
        continue;
      }
      line_ += static_cast<int>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(at_),
                                           text_.begin() + static_cast<std::ptrdiff_t>(quote), '\n'));
      cell = std::move(content);
      at_ = quote + 1;
      return true;
    }
  }

  // Whether position i ends a cell: the text's end, a separator or a line end.
  bool EndsCell(std::size_t i) const {
    return i >= text_.size() || text_[i] == separator_ || text_[i] == '\n' || text_[i] == '\r';
  }

  std::string_view text_;
  char separator_;
  bool wholeQuotedCells_;
  std::size_t at_ = 0;
  int line_ = 1;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07u;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += length;
  }
  return true;
}

// Cells past the sixth that are empty, as spreadsheets write for columns used
// elsewhere in the sheet, are no cells of the row.
void DropEmptyCellsAfterTheSixth(std::vector<std::string>& cells) {
  while (cells.size() > kTranslateCsvCaptions.size() && cells.back().empty()) cells.pop_back();
}

bool IsEmptyRecord(const DelimitedRecord& record) {
  return std::all_of(record.cells.begin(), record.cells.end(),
                     [](const std::string& cell) { return Trimmed(cell).empty(); });
}

}  // namespace

bool IsTranslateCsvHeader(const std::vector<std::string>& cells) {
  if (cells.size() != kTranslateCsvCaptions.size()) return false;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const std::string_view cell = Trimmed(cells[i]);
    // "N° Point" also as a Windows code page writes the degree sign.
    if (!EqualsIgnoringCase(cell, kTranslateCsvCaptions[i]) &&
        !(i == kPoints && EqualsIgnoringCase(cell, "N\xB0 Point")))
      return false;
  }
  return true;
}

namespace {

// A cell's text in a reason, on one line: quoted, its first 40 characters
// when longer, line breaks and other control characters escaped.
std::string Quoted(std::string_view text) {
  const std::string start = FirstUtf8Characters(text, 40);
  std::string quoted = "\"";
  for (char c : start) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      quoted += "\\x" + Hex(byte, 2);
    } else {
      quoted += c;
    }
  }
  if (start.size() < text.size()) quoted += "...";
  return quoted + "\"";
}

std::string SeparatorName(char separator) {
  return separator == ';' ? "semicolons" : separator == '\t' ? "tabs" : "commas";
}

std::optional<std::string> TypeOf(std::string_view cell) {
  if (auto code = DataTypeCode(Trimmed(cell))) return std::string(*DataTypeName(*code));
  if (auto code = ParseInteger(cell)) {
    if (auto name = DataTypeName(*code)) return std::string(*name);
  }
  return std::nullopt;
}

// One data line's cells in canonical form, or the reasons it is refused.
std::string ReadRow(const DelimitedRecord& record, char separator, TranslateCells& row) {
  std::vector<std::string> cells = record.cells;
  DropEmptyCellsAfterTheSixth(cells);
  if (cells.size() != kTranslateCsvCaptions.size()) {
    return "It has " + std::to_string(cells.size()) + (cells.size() == 1 ? " cell" : " cells") +
           " where a row has 6 (Data Type, Address RTU, Address Device TCP, Address TCP, "
           "N\xC2\xB0 Point, Mnemonic), separated by " + SeparatorName(separator) + ".";
  }
  if (record.strayQuote) return "A quoted cell has no closing quote.";
  for (const std::string& cell : cells)
    if (!IsUtf8(cell)) return "It is not UTF-8 text; save the file as CSV in UTF-8.";

  std::string reasons;
  auto refuse = [&](std::size_t column, std::string_view what) {
    if (!reasons.empty()) reasons += ' ';
    const std::string_view caption = kTranslateCsvCaptions[column];
    reasons += cells[column].empty() ? std::string(caption) + " is empty."
                                     : std::string(caption) + " " + Quoted(cells[column]) + " " +
                                           std::string(what) + ".";
  };

  if (auto type = TypeOf(cells[kType]))
    row[kType] = std::move(*type);
  else
    refuse(kType,
           "is neither a data type (Coil Status, Input Status, Holding Register, Input Register) "
           "nor a code 1 to 4");
  auto number = [&](std::size_t column) {
    if (auto value = ParseInteger(cells[column]))
      row[column] = std::to_string(*value);
    else
      refuse(column, "is not a number");
  };
  number(kRtu);
  std::array<std::uint8_t, 4> octets{};
  if (ParseIpAddress(cells[kIp], octets))
    row[kIp] = DottedIp(octets);
  else
    refuse(kIp, "is not an IPv4 address such as 192.168.1.125");
  number(kTcp);
  number(kPoints);
  row[kMnemonic] = UnguardedMnemonic(cells[kMnemonic]);
  return reasons;
}

// Whether text, after its leading "'"s, starts as a spreadsheet formula does.
bool LooksLikeFormula(std::string_view text) {
  const std::size_t start = text.find_first_not_of('\'');
  return start != std::string_view::npos &&
         std::string_view("=+-@\t\r").find(text[start]) != std::string_view::npos;
}

// The cell as the export writes it: see WriteTranslateCsv.
std::string CanonicalCell(std::size_t column, const std::string& cell) {
  switch (column) {
    case kType:
      if (auto code = DataTypeCode(cell)) return std::string(*DataTypeName(*code));
      break;
    case kIp: {
      std::array<std::uint8_t, 4> octets{};
      if (ParseIpAddress(cell, octets)) return DottedIp(octets);
      break;
    }
    case kRtu:
    case kTcp:
    case kPoints:
      if (auto number = ParseInteger(cell)) return std::to_string(*number);
      break;
    case kMnemonic:
      return GuardedMnemonic(cell);
    default:
      break;
  }
  return cell;
}

void AppendCsvLine(std::string& csv, const auto& cells) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) csv += ',';
    csv += QuoteCell(cells[i], ',');
  }
  csv += "\r\n";
}

}  // namespace

std::vector<DelimitedRecord> ParseDelimited(std::string_view text, char separator,
                                            bool wholeQuotedCells) {
  std::vector<DelimitedRecord> records;
  DelimitedReader reader(text, separator, wholeQuotedCells);
  DelimitedRecord record;
  while (reader.Next(record)) records.push_back(std::move(record));
  return records;
}

namespace {

// The cells per record when the separator splits the first lines that are
// not empty (up to 20) all into the same number, above one; else 0.
std::size_t EvenSplit(std::string_view text, char separator) {
  constexpr int kLinesToJudge = 20;
  DelimitedReader reader(text, separator);
  DelimitedRecord record;
  std::size_t cells = 0;
  for (int judged = 0; judged < kLinesToJudge && reader.Next(record);) {
    if (record.cells.size() == 1 && record.cells[0].find_first_not_of(" \r") == std::string::npos)
      continue;  // an empty line says nothing
    if (judged++ > 0 && record.cells.size() != cells) return 0;
    cells = record.cells.size();
  }
  return cells > 1 ? cells : 0;
}

// The separator that occurs most often outside quotes on the first line that
// is not empty; comma when none does (ties go to comma, then semicolon).
// NUL in (nearly) every second byte of the start, and (nearly) never in the
// others: UTF-16 that lost its byte order mark. A character past U+00FF or
// outside the basic plane may fill both bytes of a pair.
bool LooksLikeUtf16(std::string_view text) {
  const std::size_t pairs = std::min<std::size_t>(text.size(), 256) / 2;
  if (pairs < 2) return false;
  std::size_t evenNuls = 0, oddNuls = 0;
  for (std::size_t i = 0; i < pairs; ++i) {
    evenNuls += text[2 * i] == '\0';
    oddNuls += text[2 * i + 1] == '\0';
  }
  auto mostly = [pairs](std::size_t n) { return n * 5 >= pairs * 4; };   // 80 % or more
  auto rarely = [pairs](std::size_t n) { return n * 10 <= pairs; };      // 10 % or less
  return (mostly(evenNuls) && rarely(oddNuls)) || (mostly(oddNuls) && rarely(evenNuls));
}

char FirstLineSeparator(std::string_view text) {
  auto isCandidate = [](char c) { return c == ',' || c == ';' || c == '\t'; };
  std::size_t counts[3] = {};  // comma, semicolon, tab
  bool lineHasText = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool cellStart = i == 0 || text[i - 1] == '\n' || isCandidate(text[i - 1]);
    if (c == '"' && cellStart) {  // a quoted cell: skip to its closing quote
      lineHasText = true;
      for (++i; i < text.size(); ++i) {
        if (text[i] != '"') continue;
        if (i + 1 < text.size() && text[i + 1] == '"') {
          ++i;
          continue;
        }
        break;
      }
      continue;
    }
    if (c == '\n') {
      if (lineHasText) break;
      continue;
    }
    if (c != '\r' && c != ' ') lineHasText = true;
    if (c == ',') ++counts[0];
    if (c == ';') ++counts[1];
    if (c == '\t') ++counts[2];
  }
  if (counts[1] > counts[0] && counts[1] >= counts[2]) return ';';
  if (counts[2] > counts[0] && counts[2] > counts[1]) return '\t';
  return ',';
}

}  // namespace

char DetectSeparator(std::string_view text) {
  text = WithoutBom(text);
  char best = 0;
  std::size_t bestCells = 0;
  for (char separator : {',', ';', '\t'}) {
    const std::size_t cells = EvenSplit(text, separator);
    if (cells > bestCells) best = separator, bestCells = cells;
  }
  return best ? best : FirstLineSeparator(text);
}

std::string QuoteCell(std::string_view cell, char separator) {
  // A byte order mark at the start of a text is taken for the text's mark
  // and skipped: a cell that starts with one keeps it inside quotes.
  if (cell.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string_view::npos &&
      !cell.starts_with(kBom))
    return std::string(cell);
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string WriteTranslateCsv(const std::vector<TranslateCells>& rows) {
  std::string csv(kBom);
  csv.reserve(64 * (rows.size() + 1));
  AppendCsvLine(csv, kTranslateCsvCaptions);
  TranslateCells canonical;
  for (const TranslateCells& row : rows) {
    for (std::size_t column = 0; column < row.size(); ++column)
      canonical[column] = CanonicalCell(column, row[column]);
    AppendCsvLine(csv, canonical);
  }
  return csv;
}

TranslateCells CellsOfRow(const RowTexts& row) {
  const std::vector<std::string>& v = row.values;
  const std::size_t n = v.size();
  TranslateCells cells;
  if (n > 0) {
    if (auto name = DataTypeName(IntegerOr(v[0], -1))) cells[kType] = *name;
  }
  if (n > 1) cells[kRtu] = v[1];
  if (n > 5) cells[kIp] = v[2] + "." + v[3] + "." + v[4] + "." + v[5];
  if (n > 6) cells[kTcp] = v[6];
  if (n > 7) cells[kPoints] = v[7];
  if (n > 8) cells[kMnemonic] = v[8];
  return cells;
}

std::vector<TranslateCells> CellsOfTable(const std::vector<RowTexts>& rows) {
  std::vector<TranslateCells> table;
  table.reserve(rows.size());
  for (const RowTexts& row : rows) {
    TranslateCells& cells = table.emplace_back(CellsOfRow(row));
    if (cells[kType].empty() && !row.values.empty()) cells[kType] = row.values[0];
  }
  return table;
}

TranslateCsv ReadTranslateCsv(std::string_view text) {
  TranslateCsv csv;
  // UTF-16 with its byte order mark (a spreadsheet's "Unicode text") is read
  // as UTF-8; without one it is named once, not refused line by line.
  std::optional<std::string> decoded;
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
    decoded = Utf16ToUtf8(text.substr(2), text[0] == '\xFF');
    if (!decoded) {
      csv.refusals.push_back({1, "The file is UTF-16 text that does not decode; save it as CSV in UTF-8."});
      return csv;
    }
    text = *decoded;
  } else if (LooksLikeUtf16(text)) {
    csv.refusals.push_back({1, "The file is UTF-16 text without a byte order mark; save it as CSV in "
                               "UTF-8, or as Unicode text."});
    return csv;
  }
  const char separator = DetectSeparator(text);
  DelimitedReader reader(text, separator);
  DelimitedRecord record;
  bool first = true;
  int dataLines = 0;
  while (reader.Next(record)) {
    if (IsEmptyRecord(record)) continue;
    if (first) {
      first = false;
      std::vector<std::string> cells = record.cells;
      DropEmptyCellsAfterTheSixth(cells);
      if (IsTranslateCsvHeader(cells)) continue;
    }
    if (++dataLines > kMaxTranslateRows) {
      csv.refusals.push_back({record.line, "A table holds at most 1400 rows; this is data line 1401."});
      break;
    }
    TranslateCells row;
    std::string reasons = ReadRow(record, separator, row);
    if (!reasons.empty()) {
      csv.refusals.push_back({record.line, std::move(reasons)});
      continue;
    }
    csv.rows.push_back(std::move(row));
    csv.lines.push_back(record.line);
  }
  return csv;
}

std::string GuardedMnemonic(std::string_view text) {
  return LooksLikeFormula(text) ? "'" + std::string(text) : std::string(text);
}

std::string UnguardedMnemonic(std::string_view text) {
  if (text.starts_with('\'') && LooksLikeFormula(text.substr(1))) text.remove_prefix(1);
  return std::string(text);
}

}  // namespace fabrion
