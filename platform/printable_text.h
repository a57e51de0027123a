#pragma once
// Texts from files made safe to print on a terminal: a control character
// (an ESC that starts a terminal sequence, a BEL, a C1 code) shows as \xNN
// instead of acting on the user's terminal.
#include <streambuf>
#include <string>
#include <string_view>

namespace fabrion {

// text in double quotes; every control character, a double quote and a
// backslash inside show as \xNN, so the quoted text is unambiguous.
std::string QuotedPrintable(std::string_view text);

// Passes everything written to it on to target, with control characters
// other than tab, LF and CR shown as \xNN. The target stays the caller's.
class PrintableStreamBuf : public std::streambuf {
 public:
  explicit PrintableStreamBuf(std::streambuf* target) : target_(target) {}
  ~PrintableStreamBuf() override;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  void Put(unsigned char c, std::string& printed);

  std::streambuf* target_;
  bool leadC2_ = false;  // the last byte was 0xC2, the lead of U+0080 to U+00BF
};

}  // namespace fabrion
