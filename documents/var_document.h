#pragma once
// The translate table document var.xml: root TCP_MASTER_TO_RTU_SLAVE with one
// row element per table row, nine attributes each.
//
// Reading takes the document's root element, whatever its name, and each of
// its child elements in document order as one row, whatever its name.
// Comments, processing instructions and text among the rows (indentation
// included) are not rows: they are skipped and do not end the reading, so a
// table a user annotated by hand reads as the same table. The writer never
// produces them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fabrion {

inline constexpr int kMaxTranslateRows = 1400;

// One translate-table row as the dialog saves it.
struct TMyRec {
  std::uint8_t DataType = 0;                  // 1 to 4
  std::uint16_t RtuAddress = 0;
  std::array<std::uint8_t, 4> DeviceIp{};     // leftmost octet first
  std::uint16_t TcpAddress = 0;
  std::uint8_t PointCount = 0;
  std::string Mnemonic;

  bool operator==(const TMyRec&) const = default;
};

// The attribute names in the order the writer sets them.
inline constexpr std::array<std::string_view, 9> kRowAttributes = {
    "DATA_TYPE",     "RTU_ADDRESS",   "TCP_ADD_DEV_1", "TCP_ADD_DEV_2", "TCP_ADD_DEV_3",
    "TCP_ADD_DEV_4", "TCP_ADDRESS",   "N_POINT",       "MNEMONIC"};

// One row as read: the texts of the attributes found, in kRowAttributes
// order. A row with fewer than 9 texts lacked the next attribute; it is the
// last row read.
struct RowTexts {
  std::vector<std::string> values;
  bool complete() const { return values.size() == kRowAttributes.size(); }
};

// The document's exact bytes for these rows.
std::string TranslateTableXml(const std::vector<TMyRec>& rows);

// Writes the rows at path, replacing the file whole. Throws Error with the
// system's text when it cannot be written, or when a mnemonic holds a
// character XML 1.0 cannot hold, or when the document would pass the 64 MiB
// every document read is held to; the old file is then kept.
void WriteTable(std::string_view path, const std::vector<TMyRec>& rows);
void WriteEmptyTable(std::string_view path);

// The rows in document order, at most 1400, as attribute texts, unconverted
// and untrimmed. The first attribute found missing ends the reading: that
// row keeps the texts before it and no later row is read. A missing file
// gives no rows; a file that is not well-formed throws DocumentParseError
// (documents/xml_parse_error.h), one that cannot be read throws Error.
// The image builder's reading is the same walk: convert each row's texts in
// order, and stop at an incomplete row.
std::vector<RowTexts> ReadTable(std::string_view path);

// ReadTable of a document already in memory (the bytes of a file).
std::vector<RowTexts> ParseTable(std::string_view bytes);

}  // namespace fabrion
