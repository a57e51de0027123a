#include "firmware/line_reader.h"

#include <algorithm>
#include <cstring>

namespace fabrion {

LineReader::LineReader(std::FILE* file, std::size_t bufferSize)
    : file_(file), buffer_(std::max<std::size_t>(bufferSize, 16)) {}

void LineReader::Fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  end_ += got;
  if (got == 0) {
    eof_ = true;
    failed_ = std::ferror(file_) != 0;
  }
}

bool LineReader::Next(LinePiece& piece) {
  for (;;) {
    const char* data = buffer_.data();
    if (begin_ < end_) {
      if (const void* lf = std::memchr(data + begin_, '\n', end_ - begin_)) {
        const std::size_t stop = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
        std::size_t length = stop - begin_;
        if (length > 0 && data[stop - 1] == '\r') --length;
        piece = {std::string_view(data + begin_, length), !inLine_, true};
        begin_ = stop + 1;
        inLine_ = false;
        return true;
      }
      if (eof_) {
        std::size_t length = end_ - begin_;
        if (data[end_ - 1] == '\r') --length;
        piece = {std::string_view(data + begin_, length), !inLine_, true};
        begin_ = end_;
        inLine_ = false;
        return true;
      }
      if (begin_ == 0 && end_ == buffer_.size()) {
        // A line longer than the buffer. A CR at the end of the piece is
        // held back: it may be the first half of the line's end mark.
        std::size_t length = end_;
        if (data[length - 1] == '\r') --length;
        piece = {std::string_view(data, length), !inLine_, false};
        begin_ = length;
        inLine_ = true;
        return true;
      }
    } else if (eof_) {
      if (failed_) return false;
      if (!inLine_) return false;
      piece = {std::string_view(), false, true};
      inLine_ = false;
      return true;
    }
    Fill();
    if (failed_) return false;
  }
}

long long CountLines(std::FILE* file) {
  std::vector<char> buffer(LineReader::kDefaultBufferSize);
  long long lines = 0;
  char lastByte = '\n';
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    if (got == 0) break;
    lines += std::count(buffer.data(), buffer.data() + got, '\n');
    lastByte = buffer[got - 1];
  }
  if (std::ferror(file)) return -1;
  return lines + (lastByte != '\n' ? 1 : 0);
}

}  // namespace fabrion
