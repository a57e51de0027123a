#pragma once
// The tests' flash tool (tests/platform/record_flash_call.cpp): installed under
// any name, it records the bytes of its argument and its current folder.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "fakes/temp_folder.h"

namespace fabrion::test {

struct RecordedFlashCall {
  std::string argumentCount;
  std::string argument;
  std::string folder;
};

// Copies the recording tool to path, executable.
inline void InstallRecordingFlashTool(const std::filesystem::path& path) {
  std::filesystem::copy_file(FABRION_RECORD_FLASH_CALL, path,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
}

// The call the tool installed in folder recorded, waiting up to timeout for it.
inline std::optional<RecordedFlashCall> WaitForFlashCall(
    const std::filesystem::path& folder,
    std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!std::filesystem::exists(folder / "call.folder")) {
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return RecordedFlashCall{ReadFileBytes((folder / "call.count").string()),
                           ReadFileBytes((folder / "call.argument").string()),
                           ReadFileBytes((folder / "call.folder").string())};
}

// Forgets an earlier call, so the next wait sees only a new one.
inline void ClearFlashCall(const std::filesystem::path& folder) {
  for (const char* name : {"call.count", "call.argument", "call.folder"})
    std::filesystem::remove(folder / name);
}

}  // namespace fabrion::test
