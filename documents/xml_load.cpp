#include "documents/xml_load.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/error.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

[[noreturn]] void FailToOpen(std::string_view path, int error_number) {
  std::string text = "Cannot open file \"";
  text += path;
  text += "\". ";
  text += SystemErrorText(error_number);
  throw Error(text);
}

std::string ReadWholeFile(std::string_view path) {
  const std::filesystem::path file = ToFsPath(path);
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (!std::filesystem::exists(status)) FailToOpen(path, ENOENT);
  if (std::filesystem::is_directory(status)) FailToOpen(path, EISDIR);
  errno = 0;
  std::ifstream in(file, std::ios::binary);
  if (!in) FailToOpen(path, errno ? errno : EACCES);
  std::string bytes;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (in.eof()) break;
  }
  if (in.bad()) FailToOpen(path, errno ? errno : EIO);
  return bytes;
}

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    out_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& out_;
};

}  // namespace

std::string ReadDocumentBytes(std::string_view path) { return ReadWholeFile(path); }

std::string ParseErrorTextFor(std::string_view bytes, const pugi::xml_parse_result& result) {
  std::size_t offset = result.offset < 0 ? 0 : static_cast<std::size_t>(result.offset);
  if (offset > bytes.size()) offset = bytes.size();

  int line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  if (lineStart == 0 && bytes.substr(0, 3) == "\xEF\xBB\xBF") lineStart = 3;
  std::size_t lineEnd = bytes.find('\n', lineStart);
  if (lineEnd == std::string_view::npos) lineEnd = bytes.size();
  std::string_view text = bytes.substr(lineStart, lineEnd - lineStart);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return ParseErrorText(result.description(), line, std::string(text));
}

void LoadXmlBytes(std::string_view bytes, pugi::xml_document& document) {
  const pugi::xml_parse_result result =
      document.load_buffer(bytes.data(), bytes.size(), kDocumentParseOptions, pugi::encoding_auto);
  if (!result) {
    document.reset();
    throw DocumentParseError(ParseErrorTextFor(bytes, result));
  }
}

void LoadXmlFile(std::string_view path, pugi::xml_document& document) {
  LoadXmlBytes(ReadWholeFile(path), document);
}

std::optional<std::string> ElementText(const pugi::xml_node& element) {
  const pugi::xml_node first = element.first_child();
  if (!first) return std::string();
  if (first.next_sibling()) return std::nullopt;
  if (first.type() != pugi::node_pcdata && first.type() != pugi::node_cdata) return std::nullopt;
  return std::string(first.value());
}

std::string SaveXmlToString(const pugi::xml_document& document) {
  std::string bytes;
  StringWriter writer(bytes);
  document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return bytes;
}

}  // namespace fabrion
