#include "platform/profile_file.h"

#include <optional>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  const std::string_view blanks = " \t";
  auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

struct ProfileLines {
  bool bom = false;
  std::vector<std::string> lines;  // without their line ends
  std::string unreadable;          // why a file that is there could not be read
};

// The file's lines; a file that is there but cannot be read (no regular
// file, too large, no permission) gives no lines and says why.
ProfileLines Load(std::string_view path) {
  ProfileLines result;
  if (!FileExists(path)) return result;
  std::string content;
  try {
    content = ReadRegularFile(path, kMaxDocumentBytes);
  } catch (const std::exception& e) {
    result.unreadable = e.what();
    return result;
  }
  std::string_view rest = content;
  if (rest.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    result.bom = true;
    rest.remove_prefix(kUtf8Bom.size());
  }
  while (!rest.empty()) {
    auto end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    result.lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return result;
}

// The section name of a "[name]" line, trimmed.
std::optional<std::string_view> SectionOf(std::string_view line) {
  std::string_view trimmed = Trim(line);
  if (trimmed.size() < 2 || trimmed.front() != '[') return std::nullopt;
  auto close = trimmed.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(trimmed.substr(1, close - 1));
}

// The key of a "key=value" line, trimmed; none for comments and other lines.
std::optional<std::string_view> KeyOf(std::string_view line) {
  std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  auto equals = trimmed.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Trim(trimmed.substr(0, equals));
}

// What a reader takes of the text after "=": trimmed, one pair of quotes stripped.
std::string_view ValueText(std::string_view text) {
  std::string_view value = Trim(text);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

std::string_view ValueOf(std::string_view line) {
  return ValueText(line.substr(line.find('=') + 1));
}

}  // namespace

std::string ReadProfileString(std::string_view path, std::string_view section,
                              std::string_view key) {
  ProfileLines profile = Load(path);
  bool inSection = false;
  for (const std::string& line : profile.lines) {
    if (auto name = SectionOf(line)) {
      inSection = SameIgnoringAsciiCase(*name, Trim(section));
      continue;
    }
    if (!inSection) continue;
    if (auto name = KeyOf(line); name && SameIgnoringAsciiCase(*name, Trim(key)))
      return std::string(ValueOf(line));
  }
  return {};
}

void WriteProfileString(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view value) {
  // A line break would end the line and start another entry.
  for (std::string_view text : {section, key, value})
    if (text.find_first_of("\r\n") != std::string_view::npos)
      throw Error("A line break cannot be written into the profile file \"" + std::string(path) +
                  "\"");
  ProfileLines profile = Load(path);
  // Writing over a file that could not be read would lose its other content.
  if (!profile.unreadable.empty()) throw Error(profile.unreadable);
  std::vector<std::string>& lines = profile.lines;
  // A value that reading would trim or unquote (a project name with blanks
  // around it) is written in quotes, which reading strips again.
  std::string stored(value);
  if (ValueText(stored) != value) stored = "\"" + stored + "\"";
  const std::string entry = std::string(Trim(key)) + "=" + stored;

  std::optional<std::size_t> sectionLine;
  std::optional<std::size_t> keyLine;
  std::size_t lastContentInSection = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionOf(lines[i])) {
      if (sectionLine) break;
      if (SameIgnoringAsciiCase(*name, Trim(section))) {
        sectionLine = i;
        lastContentInSection = i;
      }
      continue;
    }
    if (!sectionLine) continue;
    if (!Trim(lines[i]).empty()) lastContentInSection = i;
    if (auto name = KeyOf(lines[i]); name && SameIgnoringAsciiCase(*name, Trim(key))) {
      keyLine = i;
      break;
    }
  }
  if (keyLine) {
    lines[*keyLine] = entry;
  } else if (sectionLine) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContentInSection + 1), entry);
  } else {
    lines.push_back("[" + std::string(Trim(section)) + "]");
    lines.push_back(entry);
  }

  std::string content = profile.bom ? std::string(kUtf8Bom) : std::string();
  for (const std::string& line : lines) content += line + "\r\n";
  WriteFileAtomically(path, content);
}

}  // namespace fabrion
