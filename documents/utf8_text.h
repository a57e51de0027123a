#pragma once
// Cutting document texts by characters rather than bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace fabrion {

// The first count characters of UTF-8 text, a character being a byte other
// than a continuation byte with the continuation bytes after it; never
// splits a character.
std::string FirstUtf8Characters(std::string_view text, std::size_t count);

}  // namespace fabrion
