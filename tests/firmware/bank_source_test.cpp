#include "firmware/bank_source.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "text after the last line end";
  return lines;
}

TEST(BankSource, ZeroImageHasTheFixedLineForms) {
  const std::string text = BankSourceText(ConfigImage{});
  EXPECT_EQ(text.size(), 117824u);
  const auto lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), 1027u);
  std::string values;
  for (int i = 0; i < 16; ++i) values += " 0x00,";
  EXPECT_EQ(lines[0], "#pragma CONST_SEG SEGMENT0");
  EXPECT_EQ(lines[1], "const char Bank1 [] = {" + values);
  EXPECT_EQ(lines[1].size(), 119u);
  for (std::size_t k = 2; k < 1024; ++k) ASSERT_EQ(lines[k], std::string(17, ' ') + values) << k;
  EXPECT_EQ(lines[1024], std::string(17, ' ') + values.substr(0, values.size() - 1) + "};");
  EXPECT_EQ(lines[1024].size(), 114u);
  EXPECT_EQ(lines[1025], "");
  EXPECT_EQ(lines[1026], "#pragma CONST_SEG DEFAULT");
  EXPECT_TRUE(text.ends_with(" 0x00};\r\n\r\n#pragma CONST_SEG DEFAULT\r\n"));
}

TEST(BankSource, BytesAreTwoUpperCaseDigitsInOffsetOrder) {
  ConfigImage image{};
  image[0] = 171;
  image[1] = 5;
  image[16] = 0xFF;
  image[31] = 0x0A;
  image[16383] = 0xC3;
  const std::string text = BankSourceText(image);
  EXPECT_EQ(text.size(), 117824u);
  const auto lines = SplitCrLf(text);
  ASSERT_EQ(lines.size(), 1027u);
  EXPECT_TRUE(lines[1].starts_with("const char Bank1 [] = { 0xAB, 0x05, 0x00,")) << lines[1];
  EXPECT_TRUE(lines[2].starts_with("                  0xFF, 0x00,")) << lines[2];
  EXPECT_TRUE(lines[2].ends_with(" 0x00, 0x0A,")) << lines[2];
  EXPECT_TRUE(lines[1024].ends_with(" 0x00, 0xC3};")) << lines[1024];
}

TEST(BankSource, AnyImageGivesTheSameSize) {
  ConfigImage image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);
  EXPECT_EQ(BankSourceText(image).size(), 117824u);
}

TEST(BankSource, WritesBankgCInTheBinFolder) {
  test::TempFolder folder;
  std::filesystem::create_directory(folder / "bin");
  ConfigImage image{};
  image[100] = 0x42;
  WriteBankSource(folder.str(), image);
  EXPECT_EQ(test::ReadFileBytes(folder / "bin/bankg.c"), BankSourceText(image));
}

TEST(BankSource, CannotCreateFileNamesThePathAndTheCause) {
  test::TempFolder folder;
  try {
    WriteBankSource(folder.str(), ConfigImage{});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file \"" + (folder / "bin/bankg.c") + "\". No such file or directory");
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "bin"));
}

}  // namespace
}  // namespace fabrion
