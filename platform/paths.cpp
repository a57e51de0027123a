#include "platform/paths.h"

#include <system_error>

namespace fabrion {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  joined += kPathSeparator;
  joined += name;
  return joined;
}

std::filesystem::path ToFsPath(std::string_view utf8) {
  std::u8string text(utf8.begin(), utf8.end());
  return std::filesystem::path(text);
}

std::string FromFsPath(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool FileExists(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(ToFsPath(utf8), ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

bool DirectoryExists(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(ToFsPath(utf8), ec);
}

bool CreateOneDirectory(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::error_code ec;
  return std::filesystem::create_directory(ToFsPath(utf8), ec) && !ec;
}

bool CreateDirectories(std::string_view utf8) {
  if (utf8.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(ToFsPath(utf8), ec);
  return !ec && DirectoryExists(utf8);
}

}  // namespace fabrion
