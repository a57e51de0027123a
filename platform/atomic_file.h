#pragma once
// Whole-file writes that never leave a half-written file behind.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fabrion {

class TemporaryFile;

// Writes bytes to a temporary file beside path and renames it over path.
// The temporary, "<name>.fabrion-<8 hex digits>.tmp", is created new (never
// through a link or over another file) and held until it is renamed; each
// write first removes the temporaries that killed writes of the same target
// left behind, and no other file.
// A target that exists but is read-only (no owner write bit, as the Windows
// read-only attribute) or a folder that is missing fails before anything is
// written; on any failure the old file is left exactly as it was and Error
// is thrown with CannotCreateFileText (platform/error.h).
void WriteFileAtomically(std::string_view path, std::string_view bytes);

// A file streamed into a temporary file beside its target and renamed over
// the target by Commit only, so a write that stops halfway never leaves a
// partial file under the target's name.
class StagedFile {
 public:
  // Checks the target as WriteFileAtomically does, removes abandoned
  // temporaries and creates its own; throws Error with CannotCreateFileText (platform/error.h).
  // A durable file reaches the disk before it is renamed (documents do; the
  // composed firmware, made anew at each press, is spared the wait).
  explicit StagedFile(std::string_view target, bool durable = false);
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
  std::unique_ptr<TemporaryFile> temporary_;
  std::optional<std::filesystem::perms> targetPermissions_;  // of the target it replaces
  bool durable_ = false;
  int failure_ = 0;
};

}  // namespace fabrion
