#include "documents/data_types.h"

namespace fabrion {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace

std::optional<int> DataTypeCode(std::string_view name) {
  for (std::size_t i = 0; i < kDataTypeNames.size(); ++i)
    if (SameIgnoringAsciiCase(name, kDataTypeNames[i])) return static_cast<int>(i) + 1;
  return std::nullopt;
}

std::optional<std::string_view> DataTypeName(int code) {
  if (code < 1 || code > 4) return std::nullopt;
  return kDataTypeNames[static_cast<std::size_t>(code - 1)];
}

}  // namespace fabrion
