#pragma once
// Windows-style profile (ini) files, read and written as the Windows profile
// functions do: section and key matched without regard to case, blanks
// around names and values trimmed, no escape sequences, one pair of
// surrounding quotes stripped on reading, all other content kept on writing.
#include <string>
#include <string_view>

namespace fabrion {

// The value of key in section, or empty when the file, section or key is
// missing or the file cannot be read (no regular file, larger than 64 MiB).
std::string ReadProfileString(std::string_view path, std::string_view section,
                              std::string_view key);

// Sets key in section, creating the file and the section when missing and
// keeping every other line; lines end in CR LF. A value that would not read
// back as it is (blanks or a pair of quotes around it) is written in double
// quotes. Throws Error on failure: a line break in section, key or value, and
// a file that is there but cannot be read (its other content would be lost)
// write nothing.
void WriteProfileString(std::string_view path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace fabrion
