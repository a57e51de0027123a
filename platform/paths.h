#pragma once
// Paths as the program forms them: UTF-8 texts joined with the platform's
// separator, folders without a trailing separator.
#include <filesystem>
#include <string>
#include <string_view>

namespace fabrion {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// folder + separator + name; the folder is taken as it stands.
std::string JoinPath(std::string_view folder, std::string_view name);

// A UTF-8 path text as a filesystem path, and back.
std::filesystem::path ToFsPath(std::string_view utf8);
std::string FromFsPath(const std::filesystem::path& path);

// Tests that never throw: false for anything that cannot be examined.
// FileExists: something other than a folder is there (a link is followed), a
// FIFO or device included, so that reading it can say what it is.
bool FileExists(std::string_view utf8);
bool DirectoryExists(std::string_view utf8);

// Creates one folder level; false when it could not be created.
bool CreateOneDirectory(std::string_view utf8);
// Creates the folder with any missing levels; false when that failed.
bool CreateDirectories(std::string_view utf8);

}  // namespace fabrion
