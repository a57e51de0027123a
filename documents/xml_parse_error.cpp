#include "documents/xml_parse_error.h"

namespace fabrion {
namespace {

constexpr std::size_t kShownLineCharacters = 40;

// The first count UTF-8 characters of text (a stray byte counts as one).
std::string FirstCharacters(const std::string& text, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    if (!continuation && seen++ == count) return text.substr(0, i);
  }
  return text;
}

}  // namespace

std::string ParseErrorText(const std::string& reason, int line, const std::string& lineStart) {
  return reason + "\nLine: " + std::to_string(line) + "\n" +
         FirstCharacters(lineStart, kShownLineCharacters);
}

}  // namespace fabrion
