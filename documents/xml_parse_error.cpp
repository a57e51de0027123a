#include "documents/xml_parse_error.h"

#include "documents/utf8_text.h"

namespace fabrion {

std::string ParseErrorText(const std::string& reason, int line, const std::string& lineStart) {
  constexpr std::size_t kShownLineCharacters = 40;
  return reason + "\nLine: " + std::to_string(line) + "\n" +
         FirstUtf8Characters(lineStart, kShownLineCharacters);
}

}  // namespace fabrion
