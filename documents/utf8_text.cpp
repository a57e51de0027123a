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

}  // namespace fabrion
