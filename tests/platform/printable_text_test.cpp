#include "platform/printable_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace fabrion {
namespace {

// Hostile texts: terminal sequences, C1 controls, quotes; UTF-8 kept.
TEST(PrintableText, ShowsControlCharactersAsEscapes) {
  const struct {
    std::string text, quoted, streamed;
  } cases[] = {
      {"Pump 1", "\"Pump 1\"", "Pump 1"},
      {"\x1B]0;owned\x07", "\"\\x1B]0;owned\\x07\"", "\\x1B]0;owned\\x07"},
      {"\x1B[2J\x7F", "\"\\x1B[2J\\x7F\"", "\\x1B[2J\\x7F"},
      {"a\tb\r\nc", "\"a\\x09b\\x0D\\x0Ac\"", "a\tb\r\nc"},
      {"say \"hi\" \\", "\"say \\x22hi\\x22 \\x5C\"", "say \"hi\" \\"},
      {"\xC2\x9B" "31m", "\"\\xC2\\x9B31m\"", "\\xC2\\x9B31m"},     // CSI as U+009B
      {"\xC2\xB0" "C \xE2\x86\x92", "\"\xC2\xB0" "C \xE2\x86\x92\"", "\xC2\xB0" "C \xE2\x86\x92"},
      {"\xC2", "\"\xC2\"", "\xC2"},  // a lead byte at the end is kept
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quoted);
    EXPECT_EQ(QuotedPrintable(c.text), c.quoted);
    std::ostringstream target;
    {
      PrintableStreamBuf buffer(target.rdbuf());
      std::ostream stream(&buffer);
      for (char byte : c.text) stream << byte;  // byte by byte: a C1 pair split over writes
    }
    EXPECT_EQ(target.str(), c.streamed);
  }
}

}  // namespace
}  // namespace fabrion
