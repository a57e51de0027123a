#pragma once
// The translate table document var.xml: root TCP_MASTER_TO_RTU_SLAVE with one
// row element per table row, nine attributes each.
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
// system's text when it cannot be written; the old file is then kept.
void WriteTable(std::string_view path, const std::vector<TMyRec>& rows);
void WriteEmptyTable(std::string_view path);

// The rows in document order, at most 1400, as attribute texts. A missing
// file gives no rows; a file that is not well-formed throws
// DocumentParseError (documents/xml_parse_error.h).
std::vector<RowTexts> ReadTable(std::string_view path);

}  // namespace fabrion
