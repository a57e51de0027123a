#include "documents/xml_load.h"

#include <new>
#include <algorithm>

#include "documents/utf8_text.h"
#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/hex_text.h"

namespace fabrion {
namespace {

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    out_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& out_;
};

// The parser's style of report for bytes at offset: the reason, the line
// and its start (up to the offset only when lineUpToOffset).
std::string ParseErrorTextAt(std::string_view bytes, std::size_t offset, const std::string& reason,
                             bool lineUpToOffset) {
  if (offset > bytes.size()) offset = bytes.size();
  int line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  if (lineStart == 0 && bytes.substr(0, 3) == "\xEF\xBB\xBF") lineStart = std::min<std::size_t>(3, offset);
  std::size_t lineEnd = lineUpToOffset ? offset : bytes.find('\n', lineStart);
  if (lineEnd == std::string_view::npos) lineEnd = bytes.size();
  std::string_view text = bytes.substr(lineStart, lineEnd - lineStart);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return ParseErrorText(reason, line, std::string(text));
}

}  // namespace

std::string ReadDocumentBytes(std::string_view path) {
  return ReadRegularFile(path, kMaxDocumentBytes);
}

std::string ParseErrorTextFor(std::string_view bytes, const pugi::xml_parse_result& result) {
  const std::size_t offset = result.offset < 0 ? 0 : static_cast<std::size_t>(result.offset);
  return ParseErrorTextAt(bytes, offset, result.description(), false);
}

void LoadXmlBytes(std::string_view bytes, pugi::xml_document& document) {
  const pugi::xml_parse_result result =
      document.load_buffer(bytes.data(), bytes.size(), kDocumentParseOptions, pugi::encoding_auto);
  if (result.status == pugi::status_out_of_memory) {
    document.reset();
    throw std::bad_alloc();  // the caller names the file
  }
  if (!result) {
    document.reset();
    throw DocumentParseError(ParseErrorTextFor(bytes, result));
  }
  // The parser passes bytes that are not UTF-8 through unread; a document
  // that declares no other encoding must not load with them, or a save would
  // put U+FFFD in their place. The line shown ends before the bad byte.
  if (result.encoding == pugi::encoding_utf8) {
    if (const std::optional<std::size_t> bad = FirstInvalidUtf8(bytes)) {
      document.reset();
      throw DocumentParseError(ParseErrorTextAt(
          bytes, *bad,
          "Invalid UTF-8 byte sequence (byte " + PrefixedHex(static_cast<unsigned char>(bytes[*bad]), 2) + ")",
          true));
    }
  }
}

void LoadXmlFile(std::string_view path, pugi::xml_document& document) {
  try {
    LoadXmlBytes(ReadDocumentBytes(path), document);
  } catch (const std::bad_alloc&) {
    throw Error(NotEnoughMemoryText(path));
  }
}

std::optional<std::string> ElementText(const pugi::xml_node& element) {
  const pugi::xml_node first = element.first_child();
  if (!first) return std::string();
  if (first.next_sibling()) return std::nullopt;
  if (first.type() != pugi::node_pcdata && first.type() != pugi::node_cdata) return std::nullopt;
  return std::string(first.value());
}

void RequireXmlText(std::string_view path, std::string_view what, std::string_view text) {
  if (IsXmlText(text)) return;
  throw Error(CannotCreateFileText(
      path, std::string(what) + " holds a control character, which an XML 1.0 document cannot hold"));
}

std::string SaveXmlToString(const pugi::xml_document& document) {
  std::string bytes;
  StringWriter writer(bytes);
  document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return bytes;
}

}  // namespace fabrion
