#include "firmware/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace fabrion {
namespace {

struct ReadCase {
  std::string text;
  std::vector<std::string> lines;
};

// The lines of text read through a buffer of bufferSize bytes.
std::vector<std::string> ReadAll(const std::string& text, std::size_t bufferSize,
                                 long long* counted) {
  std::FILE* file = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  *counted = CountLines(file);
  std::rewind(file);
  LineReader reader(file, bufferSize);
  std::vector<std::string> lines;
  LinePiece piece;
  while (reader.Next(piece)) {
    if (piece.first) lines.emplace_back();
    EXPECT_FALSE(lines.empty());
    lines.back() += piece.text;
  }
  EXPECT_FALSE(reader.failed());
  std::fclose(file);
  return lines;
}

class LineReaderTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LineReaderTest, SplitsAtLfAndCrLfWhateverTheBufferSize) {
  for (std::size_t size : {16u, 17u, 64u * 1024u}) {
    long long counted = 0;
    EXPECT_EQ(ReadAll(GetParam().text, size, &counted), GetParam().lines)
        << "buffer " << size << ", text: " << ::testing::PrintToString(GetParam().text);
    EXPECT_EQ(counted, static_cast<long long>(GetParam().lines.size()))
        << ::testing::PrintToString(GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LineReaderTest,
    ::testing::Values(ReadCase{"", {}}, ReadCase{"\n", {""}}, ReadCase{"a", {"a"}},
                      ReadCase{"a\r\nb\nc", {"a", "b", "c"}}, ReadCase{"a\r\n\r\n", {"a", ""}},
                      ReadCase{"x\ry\r\n", {"x\ry"}}, ReadCase{"tail\r", {"tail"}},
                      ReadCase{"0123456789abcdef0123456789\r\nz", {"0123456789abcdef0123456789", "z"}},
                      ReadCase{"0123456789abcde\r\nz", {"0123456789abcde", "z"}},
                      ReadCase{"0123456789abcdef\r\n", {"0123456789abcdef"}},
                      ReadCase{"0123456789abcdefghij", {"0123456789abcdefghij"}},
                      ReadCase{"0123456789abcde\r\r\r\n", {"0123456789abcde\r\r"}}));

}  // namespace
}  // namespace fabrion
