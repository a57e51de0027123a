// A flash tool for the tests: records the bytes of its one argument and the
// folder it was started in, next to itself, and ends.
//   <own folder>/call.argument  the argument's bytes exactly
//   <own folder>/call.folder    the current folder
//   <own folder>/call.count     the number of arguments
// Each file is written under a temporary name and renamed, so a test that
// sees it sees it whole; call.folder comes last.
#include <filesystem>
#include <fstream>
#include <string>

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

}  // namespace

int main(int argc, char* argv[]) {
  const std::filesystem::path folder = std::filesystem::absolute(argv[0]).parent_path();
  Record(folder / "call.count", std::to_string(argc - 1));
  Record(folder / "call.argument", argc > 1 ? std::string(argv[1]) : std::string());
  Record(folder / "call.folder", std::filesystem::current_path().string());
  return 0;
}
