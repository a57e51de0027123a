#pragma once
// A document that is not well-formed: the parser's reason, its line and the
// start of the source line where parsing stopped.
#include <string>

#include "platform/error.h"

namespace fabrion {

class DocumentParseError : public Error {
 public:
  using Error::Error;
};

// reason + "\nLine: " + line + "\n" + the first 40 characters of lineStart
// (UTF-8 characters; lineStart may be the whole line).
std::string ParseErrorText(const std::string& reason, int line, const std::string& lineStart);

}  // namespace fabrion
