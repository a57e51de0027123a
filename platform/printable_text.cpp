#include "platform/printable_text.h"

#include "platform/hex_text.h"

namespace fabrion {
namespace {

// C0 controls and DEL; tab, LF and CR only where the caller keeps them.
bool IsControl(unsigned char c, bool keepLineBreaks) {
  if (keepLineBreaks && (c == '\t' || c == '\n' || c == '\r')) return false;
  return c < 0x20 || c == 0x7F;
}

// The second byte of a C1 control in UTF-8 (U+0080 to U+009F follow 0xC2).
bool IsC1Tail(unsigned char c) { return c >= 0x80 && c <= 0x9F; }

void AppendEscape(std::string& text, unsigned char c) { text += "\\x" + Hex(c, 2); }

}  // namespace

std::string QuotedPrintable(std::string_view text) {
  std::string quoted = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0xC2 && i + 1 < text.size() && IsC1Tail(static_cast<unsigned char>(text[i + 1]))) {
      AppendEscape(quoted, c);
      AppendEscape(quoted, static_cast<unsigned char>(text[++i]));
    } else if (IsControl(c, false) || c == '"' || c == '\\') {
      AppendEscape(quoted, c);
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

PrintableStreamBuf::~PrintableStreamBuf() {
  if (leadC2_) target_->sputc(static_cast<char>(0xC2));
}

void PrintableStreamBuf::Put(unsigned char c, std::string& printed) {
  if (leadC2_) {
    leadC2_ = false;
    if (IsC1Tail(c)) {
      AppendEscape(printed, 0xC2);
      AppendEscape(printed, c);
      return;
    }
    printed += static_cast<char>(0xC2);
  }
  if (c == 0xC2)
    leadC2_ = true;
  else if (IsControl(c, true))
    AppendEscape(printed, c);
  else
    printed += static_cast<char>(c);
}

PrintableStreamBuf::int_type PrintableStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

// One write to the target per call, as the text came.
std::streamsize PrintableStreamBuf::xsputn(const char* text, std::streamsize count) {
  std::string printed;
  for (std::streamsize i = 0; i < count; ++i) Put(static_cast<unsigned char>(text[i]), printed);
  const auto size = static_cast<std::streamsize>(printed.size());
  return target_->sputn(printed.data(), size) == size ? count : 0;
}

int PrintableStreamBuf::sync() {
  if (leadC2_) {
    leadC2_ = false;
    target_->sputc(static_cast<char>(0xC2));
  }
  return target_->pubsync();
}

}  // namespace fabrion
