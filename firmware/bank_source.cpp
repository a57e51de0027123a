#include "firmware/bank_source.h"

#include "platform/atomic_file.h"
#include "platform/hex_text.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::size_t kBankSourceSize = 117824;

}  // namespace

std::string BankSourceText(const ConfigImage& image) {
  std::string text;
  text.reserve(kBankSourceSize);
  text += "#pragma CONST_SEG SEGMENT0\r\n";
  for (std::size_t offset = 0; offset < image.size(); ++offset) {
    if (offset == 0)
      text += "const char Bank1 [] = {";
    else if (offset % kBytesPerLine == 0)
      text.append(17, ' ');
    text += " 0x";
    AppendHex(text, image[offset], 2);
    text += offset + 1 == image.size() ? "};" : ",";
    if (offset % kBytesPerLine == kBytesPerLine - 1) text += "\r\n";
  }
  text += "\r\n#pragma CONST_SEG DEFAULT\r\n";
  return text;
}

std::string BankSourcePath(std::string_view projectDir) {
  return JoinPath(JoinPath(projectDir, "bin"), "bankg.c");
}

void WriteBankSource(std::string_view projectDir, const ConfigImage& image) {
  WriteFileAtomically(BankSourcePath(projectDir), BankSourceText(image));
}

}  // namespace fabrion
