#pragma once
// Reads a text file line by line through one fixed buffer, so neither the
// file's size nor a line's length decides the memory used.
#include <cstdio>
#include <string_view>
#include <vector>

namespace fabrion {

// A piece of one line: the whole line when it fits the buffer, else the line
// in buffer-sized pieces. A line ends at LF or CR LF (a CR at the very end
// of the file counts as an end mark too); the end mark is in no piece.
struct LinePiece {
  std::string_view text;  // valid until the next call of Next
  bool first = false;     // the piece starts its line
  bool last = false;      // the piece ends its line
};

class LineReader {
 public:
  static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

  // Reads file from its current position; the file stays the caller's.
  explicit LineReader(std::FILE* file, std::size_t bufferSize = kDefaultBufferSize);

  // The next piece; false at the end of the file or after a read error.
  bool Next(LinePiece& piece);
  bool failed() const { return failed_; }

 private:
  void Fill();

  std::FILE* file_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool failed_ = false;
  bool inLine_ = false;
};

// The number of lines LineReader would give for the rest of the file, or
// -1 after a read error. Reads to the end of the file.
long long CountLines(std::FILE* file);

}  // namespace fabrion
