#pragma once
// A folder of the fuzz run's own for targets whose reader takes a path;
// removed when the run ends.
#include <filesystem>
#include <random>
#include <string>

namespace fabrion::fuzz {

class RunFolder {
 public:
  explicit RunFolder(const std::string& name) {
    path_ = std::filesystem::temp_directory_path() /
            ("fabrion-fuzz-" + name + "-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(path_);
  }
  ~RunFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace fabrion::fuzz
