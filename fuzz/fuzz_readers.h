#pragma once
// What the fuzz targets and the corpus replay test demand of the readers of
// files and bytes from elsewhere: firmware and bank files, CSV, clipboard
// text, Fabrion.ini and a device's Modbus TCP answers.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "firmware/srecord_line.h"
#include "fuzz/fuzz_documents.h"
#include "net/modbus_answer.h"
#include "platform/profile_file.h"
#include "readback/firmware_check.h"
#include "readback/image_diff.h"
#include "readback/image_file.h"
#include "readback/image_recovery.h"
#include "table/translate_table_checks.h"

namespace fabrion::fuzz {

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                                static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text's lines as the profile and firmware readers split them: at LF, one CR before it dropped.
inline std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// ---- firmware and bank files (recover, diff, Compare) ----

// What recover and compare make of an image the reader gave: documents or
// refusals, never both; an image equals itself, and differs from the empty
// one exactly when compare names a difference.
inline void CheckReadImage(const ConfigImage& image) {
  const Recovery recovery = RecoverDocuments(image);
  Require(recovery.documents.has_value() == recovery.refusals.empty());
  if (recovery.documents) Require(recovery.documents->rows.size() <= kTranslateRecordCount);
  const Configuration read{image, {}, {}, {}};
  const Configuration empty{};
  Require(CompareConfigurations(read, read).configuration.empty());
  Require(CompareConfigurations(read, empty).configuration.empty() == SameConfiguration(image, empty.image));
}

// The bytes as a file in folder: the reader gives an image exactly when the
// file is a bank file (16384 bytes, no S-record line first), the image
// being its bytes, or when the flash tool's whole-file check passes on
// every point the reader asks (no bad line, nothing after the end record,
// no byte given twice, all 512 records), the image being that check's
// bank; otherwise it fails with Error. The check of the text in memory
// agrees with the check of the file.
inline void CheckImageFile(std::string_view bytes, const std::string& folder) {
  const std::string path = folder + "/image.sx";
  WriteBytes(path, bytes);
  std::optional<ConfigImage> image;
  try {
    image = ReadConfigImageFile(path);
  } catch (const Error&) {
  }
  std::string_view firstLine = bytes.substr(0, bytes.find('\n'));
  if (firstLine.ends_with('\r')) firstLine.remove_suffix(1);
  const bool bankFile = bytes.size() == kConfigImageSize && !ReadSRecordLine(firstLine).record;
  if (bankFile) {
    Require(image && std::equal(image->begin(), image->end(), bytes.begin(),
                                [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }));
  } else {
    const FirmwareCheck file = CheckFirmwareFile(path);
    const FirmwareCheck text = CheckFirmwareText(bytes);
    Require(file.records == text.records && file.badLines == text.badLines &&
            file.bankRecordsPresent == text.bankRecordsPresent && file.endRecord == text.endRecord &&
            file.firstAfterEnd == text.firstAfterEnd && file.firstConflict == text.firstConflict &&
            file.bank == text.bank && file.header == text.header && file.Passed() == text.Passed());
    const bool complete = file.badLines == 0 && file.firstAfterEnd.empty() &&
                          file.firstConflict.empty() && file.bankRecordsPresent == kBankRecordCount;
    Require(image.has_value() == complete);
    if (image) Require(*image == file.bank);
  }
  if (image) CheckReadImage(*image);
}

// ---- CSV (table import) ----

// Any text reads as at most 1400 rows and refusals, both in line order; the
// import's refusals are in line order too; and the export of the rows read
// reads back as the same rows, with nothing refused.
inline void CheckCsv(std::string_view bytes) {
  const TranslateCsv csv = ReadTranslateCsv(bytes);
  Require(csv.rows.size() <= static_cast<std::size_t>(kMaxTranslateRows));
  Require(csv.lines.size() == csv.rows.size());
  Require(std::adjacent_find(csv.lines.begin(), csv.lines.end(), std::greater_equal<int>()) == csv.lines.end());
  auto byLine = [](const CsvRefusal& a, const CsvRefusal& b) { return a.line < b.line; };
  Require(std::is_sorted(csv.refusals.begin(), csv.refusals.end(), byLine));
  for (const CsvRefusal& refusal : csv.refusals) Require(refusal.line >= 1 && !refusal.reason.empty());
  const std::vector<CsvRefusal> refusals = ImportRefusals(csv);
  Require(std::is_sorted(refusals.begin(), refusals.end(), byLine));
  const TranslateCsv again = ReadTranslateCsv(WriteTranslateCsv(csv.rows));
  Require(again.refusals.empty() && again.rows == csv.rows);
}

// ---- clipboard text (paste in the translate table) ----

// Any text pasted at row 1, Data Type, and the pasted area copied again,
// pastes back as the same cells. A first copied line that is the captions
// is left out by design (as the import leaves out a header).
inline void CheckClipboard(std::string_view bytes) {
  const std::vector<std::vector<std::string>> block = ParseTabSeparated(bytes);
  // Two grids for every run (a grid is 9807 cells), emptied where written.
  static TranslateGrid pasted, again;
  const std::optional<GridArea> area = PasteBlock(pasted, 1, kDataTypeColumn, block);
  Require(area.has_value() == !block.empty());
  if (!area) return;
  struct Emptied {
    GridArea area;
    ~Emptied() {
      FillArea(pasted, area, "");
      FillArea(again, area, "");
    }
  } emptied{*area};
  Require(!PasteRefusal(1, kDataTypeColumn, block) ==
          (area->bottom - area->top + 1 == static_cast<int>(block.size()) &&
           std::all_of(block.begin(), block.end(), [&](const auto& line) {
             return static_cast<int>(line.size()) <= area->right - area->left + 1;
           })));
  std::vector<std::string> first;
  for (int column = area->left; column <= area->right; ++column) first.push_back(pasted.Cell(area->top, column));
  if (IsTranslateCsvHeader(first)) return;
  const std::vector<std::vector<std::string>> copied = ParseTabSeparated(CopyArea(pasted, *area));
  Require(static_cast<int>(copied.size()) == area->bottom - area->top + 1);
  PasteBlock(again, area->top, area->left, copied);
  for (int row = area->top; row <= area->bottom; ++row) {
    Require(static_cast<int>(copied[static_cast<std::size_t>(row - area->top)].size()) ==
            area->right - area->left + 1);
    for (int column = area->left; column <= area->right; ++column)
      Require(again.Cell(row, column) == pasted.Cell(row, column));
  }
}

// ---- Fabrion.ini ----

inline std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

inline bool SameName(std::string_view a, std::string_view b) {
  a = TrimBlanks(a);
  b = TrimBlanks(b);
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// The bytes as Fabrion.ini in folder: one of the program's own entries
// written with one of the values it may write reads back as written; every
// other entry (the program's and the first ones the file names) reads as
// before; the other lines stay as they were, in their order.
inline void CheckProfileFile(std::string_view bytes, const std::string& folder) {
  const std::string path = folder + "/Fabrion.ini";
  WriteBytes(path, bytes);
  std::vector<std::pair<std::string, std::string>> names = {
      {"lastproj", "projectname"}, {"checkdevices", "port"}, {"checkdevices", "timeout"}};
  std::string section;
  for (std::string_view line : Lines(bytes)) {
    if (names.size() >= 16) break;
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.starts_with('[') && trimmed.find(']') != std::string_view::npos)
      section = trimmed.substr(1, trimmed.find(']') - 1);
    else if (trimmed.find('=') != std::string_view::npos)
      names.emplace_back(section, trimmed.substr(0, trimmed.find('=')));
  }
  std::vector<std::string> before;
  for (const auto& [s, k] : names) before.push_back(ReadProfileString(path, s, k));

  static constexpr const char* kValues[] = {"\\gw1", " padded ", "\"quoted\"", "'",
                                            "a=b;c", "",         "[x]",        "f\xC3\xBCr"};
  const auto& [section0, key0] = names[bytes.size() % 3];
  const std::string value = kValues[bytes.size() / 3 % std::size(kValues)];
  try {
    WriteProfileString(path, section0, key0, value);
  } catch (const Error&) {
    Require(false);  // a file that reads is always written
  }
  Require(ReadProfileString(path, section0, key0) == value);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (!SameName(names[i].first, section0) || !SameName(names[i].second, key0))
      Require(ReadProfileString(path, names[i].first, names[i].second) == before[i]);

  // The lines after: the old ones with the entry's line replaced, or the
  // entry inserted, or the section and the entry appended.
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  const std::string written = ReadBytes(path);
  const bool bom = bytes.starts_with(kBom);
  Require(std::string_view(written).starts_with(kBom) == bom);
  const std::vector<std::string_view> old = Lines(bom ? bytes.substr(kBom.size()) : bytes);
  const std::vector<std::string_view> now = Lines(std::string_view(written).substr(bom ? kBom.size() : 0));
  const std::size_t added = now.size() - old.size();
  Require(now.size() >= old.size() && added <= 2);
  std::size_t differing = 0;
  for (std::size_t i = 0, j = 0; i < old.size(); ++i, ++j) {
    if (old[i] == now[j]) continue;
    if (added == 1 && j == i) {  // the inserted entry
      --i;
      continue;
    }
    ++differing;
  }
  Require(differing <= (added == 0 ? 1u : 0u));
}

// ---- a device's Modbus TCP answers (device check) ----

// The bytes as the row (data type, points), unit, transaction, the size of
// the pieces the peer's bytes arrive in, then the bytes a peer sends. The
// answer is the same whatever the pieces; a value or an exception comes
// only from a whole frame of the request's transaction, protocol 0 and
// unit, with the request's function (or its exception) and the byte count
// the points need, after frames of other transactions only; and such a
// frame is never refused.
inline void CheckModbusAnswer(std::string_view bytes) {
  if (bytes.size() < 6) return;
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  TMyRec row;
  row.DataType = static_cast<std::uint8_t>(1 + byte(0) % 4);
  row.PointCount = byte(1);
  row.TcpAddress = 7;
  const std::uint8_t unit = byte(2);
  const std::uint16_t transaction = static_cast<std::uint16_t>(byte(3) << 8 | byte(4));
  const std::size_t piece = 1 + byte(5);
  const std::vector<std::uint8_t> stream(bytes.begin() + 6, bytes.end());
  const ModbusRequest request = ModbusReadRequest(row, unit, transaction);

  std::vector<std::uint8_t> whole = stream;
  const std::optional<RowCheck> atOnce = TakeModbusAnswer(request, whole);
  std::vector<std::uint8_t> received;
  std::optional<RowCheck> inPieces;
  for (std::size_t at = 0; at < stream.size() && !inPieces; at += piece) {
    received.insert(received.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                    stream.begin() + static_cast<std::ptrdiff_t>(std::min(at + piece, stream.size())));
    inPieces = TakeModbusAnswer(request, received);
  }
  Require(atOnce.has_value() == inPieces.has_value());
  if (!atOnce) Require(whole == received);
  if (atOnce) {
    Require(whole.empty() && received.empty());
    Require(atOnce->status == inPieces->status && atOnce->exception == inPieces->exception &&
            atOnce->values == inPieces->values);
  }

  // The frames of the stream as Modbus TCP lays them out: the answer is the
  // first of the request's transaction, unless a frame before it breaks the framing.
  auto word = [&](std::size_t at) { return stream[at] << 8 | stream[at + 1]; };
  std::size_t at = 0;
  bool framingBroken = false;
  std::optional<std::size_t> answer;
  for (;;) {
    const std::size_t left = stream.size() - at;
    if (left >= 4 && word(at + 2) != 0) {
      framingBroken = true;
      break;
    }
    if (left < 6) break;
    const std::size_t length = 6 + static_cast<std::size_t>(word(at + 4));
    if (length > 260) {
      framingBroken = true;
      break;
    }
    if (left < length) break;
    if (word(at) == transaction) {
      answer = at;
      break;
    }
    at += length;
  }
  Require(atOnce.has_value() == (framingBroken || answer.has_value()));
  if (!atOnce) return;
  const int function = request[7];
  const bool bits = function <= 2;
  const std::size_t expected = bits ? (row.PointCount + 7u) / 8 : 2u * row.PointCount;
  bool valueAnswer = false, exceptionAnswer = false;
  if (answer) {
    const std::uint8_t* frame = stream.data() + *answer;
    const std::size_t length = 6 + static_cast<std::size_t>(word(*answer + 4));
    valueAnswer = length >= 9 && frame[6] == unit && frame[7] == function && frame[8] == expected &&
                  length == 9 + expected;
    exceptionAnswer = length == 9 && frame[6] == unit && frame[7] == (function | 0x80);
    if (valueAnswer) {
      std::vector<std::uint16_t> values;
      for (std::size_t i = 0; i < row.PointCount; ++i)
        values.push_back(bits ? (frame[9 + i / 8] >> (i % 8)) & 1
                              : static_cast<std::uint16_t>(frame[9 + 2 * i] << 8 | frame[10 + 2 * i]));
      Require(atOnce->values == values);
    }
    if (exceptionAnswer) Require(atOnce->exception == frame[8]);
  }
  Require((atOnce->status == RowStatus::kOk) == valueAnswer);
  Require((atOnce->status == RowStatus::kException) == exceptionAnswer);
  Require(atOnce->status == RowStatus::kOk || atOnce->values.empty());
}

}  // namespace fabrion::fuzz
