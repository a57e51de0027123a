// A flash tool for the tests: records the bytes of its one argument and the
// folder it was started in, next to itself, and ends.
//   <own folder>/call.argument  the argument's bytes exactly (Windows: the
//                               command line after the program's name, in the
//                               ANSI code page, as a Windows flash tool reads it)
//   <own folder>/call.folder    the current folder
//   <own folder>/call.count     the number of arguments
// Each file is written under a temporary name and renamed, so a test that
// sees it sees it whole; call.folder comes last.
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void Record(const std::filesystem::path& file, const std::string& bytes) {
  std::filesystem::path temporary = file;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::filesystem::rename(temporary, file);
}

#ifdef _WIN32
std::string ParameterBytes() {
  const std::wstring line = GetCommandLineW();
  std::size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    i = line.find(L'"', 1);
    i = i == std::wstring::npos ? line.size() : i + 1;
  }
  while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
  while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
  const std::wstring tail = line.substr(i);
  if (tail.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, tail.data(), static_cast<int>(tail.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, tail.data(), static_cast<int>(tail.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}
#endif

}  // namespace

int main(int argc, char* argv[]) {
  const std::filesystem::path folder = std::filesystem::absolute(argv[0]).parent_path();
  Record(folder / "call.count", std::to_string(argc - 1));
#ifdef _WIN32
  Record(folder / "call.argument", ParameterBytes());
#else
  Record(folder / "call.argument", argc > 1 ? std::string(argv[1]) : std::string());
#endif
  Record(folder / "call.folder", std::filesystem::current_path().string());
  return 0;
}
