#pragma once
// Whole-file writes that never leave a half-written file behind.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace fabrion {

// "Cannot create file "<path>". <system text>": the text of a failed write.
std::string CannotCreateFileText(std::string_view path, int error_number);

// Writes bytes to a temporary file beside path and renames it over path.
// A target that exists but is read-only (no owner write bit, as the Windows
// read-only attribute) or a folder that is missing fails before anything is
// written; on any failure the old file is left exactly as it was and Error
// is thrown with CannotCreateFileText.
void WriteFileAtomically(std::string_view path, std::string_view bytes);

// A file streamed into a temporary file beside its target and renamed over
// the target by Commit only, so a write that stops halfway never leaves a
// partial file under the target's name.
class StagedFile {
 public:
  // Checks the target as WriteFileAtomically does and creates the
  // temporary; throws Error with CannotCreateFileText on failure.
  explicit StagedFile(std::string_view target);
  // Closes and removes the temporary unless it was committed.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Appends bytes; false once any write has failed.
  bool Write(std::string_view bytes);
  // Closes the temporary and renames it over the target; throws Error with
  // CannotCreateFileText when a write, the close or the rename failed.
  void Commit();

 private:
  std::string target_;
  std::filesystem::path temporary_;
  std::FILE* file_ = nullptr;
  bool targetExisted_ = false;
  std::filesystem::perms targetPermissions_ = std::filesystem::perms::unknown;
  int failure_ = 0;
};

}  // namespace fabrion
