#include "documents/utf8_text.h"

namespace fabrion {

std::string FirstUtf8Characters(std::string_view text, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    if (continuation && i > 0) continue;
    if (seen++ == count) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t cp = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    cp = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (i + static_cast<std::size_t>(extra) > text.size()) return std::nullopt;
  for (int k = 0; k < extra; ++k) {
    const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    cp = (cp << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return std::nullopt;
  i += static_cast<std::size_t>(extra);
  return cp;
}

std::optional<std::size_t> FirstInvalidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    if (!DecodeUtf8(text, i)) return start;
  }
  return std::nullopt;
}

bool IsXmlText(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::optional<char32_t> cp = DecodeUtf8(text, i);
    if (!cp) return false;
    if (*cp < 0x20 && *cp != 0x09 && *cp != 0x0A && *cp != 0x0D) return false;
    if (*cp == 0xFFFE || *cp == 0xFFFF) return false;
  }
  return true;
}

}  // namespace fabrion
