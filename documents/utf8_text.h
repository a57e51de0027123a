#pragma once
// Document texts as UTF-8 characters: cutting them, decoding them, and the
// characters an XML 1.0 document can hold.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace fabrion {

// The first count characters of UTF-8 text, a character being a byte other
// than a continuation byte with the continuation bytes after it; never
// splits a character.
std::string FirstUtf8Characters(std::string_view text, std::size_t count);

// The code point at text[i], advancing i past it; nothing for a malformed,
// overlong or surrogate sequence (i then steps over its first byte).
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& i);

// The offset of the first byte that starts no valid UTF-8 sequence, or nothing.
std::optional<std::size_t> FirstInvalidUtf8(std::string_view text);

// True when every character of the UTF-8 text may stand in an XML 1.0
// document: no control character but tab, line feed and carriage return, no
// U+FFFE or U+FFFF, and no byte that is not UTF-8.
bool IsXmlText(std::string_view text);

// UTF-16 bytes (little or big endian, no byte order mark) as UTF-8; nothing
// for an odd byte count or a surrogate without its pair.
std::optional<std::string> Utf16ToUtf8(std::string_view bytes, bool littleEndian);

}  // namespace fabrion
