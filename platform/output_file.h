#pragma once
// Writing a file the user names: an export, a report, a composed firmware.
//
// The name may lead anywhere: through a link, to /dev/null or /dev/stdout, to
// a FIFO a script reads from. A link is followed and what it leads to is
// replaced atomically (the link stays a link); a character device or a FIFO
// is written as a stream and never replaced; a folder, a socket or another
// special file is refused. A regular file, or a name not yet taken, gets the
// atomic replacement of platform/atomic_file.h. The program's own documents
// keep using WriteFileAtomically directly.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace fabrion {

class StagedFile;

class OutputFile {
 public:
  // Decides how target is written and opens it; throws Error with
  // CannotCreateFileText (platform/error.h) naming target when it is refused
  // or cannot be opened. A FIFO that no program reads from is refused rather
  // than waited on.
  explicit OutputFile(std::string_view target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Appends bytes; false once any write has failed.
  bool Write(std::string_view bytes);
  // Finishes the file: renames a staged file over its target, or flushes and
  // closes a stream; throws Error with CannotCreateFileText on any failure.
  void Commit();

 private:
  std::string target_;
  std::unique_ptr<StagedFile> staged_;
  std::FILE* stream_ = nullptr;
  int failure_ = 0;
};

// Writes bytes to the user-named target as OutputFile does.
void WriteOutputFile(std::string_view target, std::string_view bytes);

// Throws Error with CannotCreateFileText naming folder when something other
// than a folder (or a link to one) is there; a missing folder is left to be
// created.
void CheckOutputFolder(std::string_view folder);

}  // namespace fabrion
