#pragma once
// The four Modbus object types of a translate-table row: the names the user
// sees and types, and the codes the documents and the image hold.
#include <array>
#include <optional>
#include <string_view>

namespace fabrion {

inline constexpr std::array<std::string_view, 4> kDataTypeNames = {
    "Coil Status", "Input Status", "Holding Register", "Input Register"};

// 1 to 4 for one of the names, matched without regard to ASCII case and
// without trimming; nothing for any other text.
std::optional<int> DataTypeCode(std::string_view name);

// The display name of codes 1 to 4; nothing for any other code.
std::optional<std::string_view> DataTypeName(int code);

}  // namespace fabrion
