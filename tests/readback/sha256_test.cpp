#include "readback/sha256.h"

#include <gtest/gtest.h>

#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

// The patterned message of n bytes: byte i is i modulo 251.
std::string Pattern(std::size_t n) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

TEST(Sha256, GivesTheStandardDigests) {
  const std::pair<std::string, const char*> cases[] = {
      // The test vectors of FIPS 180-4's examples.
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      // The lengths around the padding's block boundary.
      {Pattern(55), "463eb28e72f82e0a96c0a4cc53690c571281131f672aa229e0d45ae59b598b59"},
      {Pattern(56), "da2ae4d6b36748f2a318f23e7ab1dfdf45acdc9d049bd80e59de82a60895f562"},
      {Pattern(63), "29af2686fd53374a36b0846694cc342177e428d1647515f078784d69cdb9e488"},
      {Pattern(64), "fdeab9acf3710362bd2658cdc9a29e8f9c757fcf9811603a8c447cd1d9151108"},
      {Pattern(65), "4bfd2c8b6f1eec7a2afeb48b934ee4b2694182027e6d0fc075074f2fabb31781"},
  };
  for (const auto& [message, digest] : cases)
    EXPECT_EQ(Sha256Hex(message), digest) << "message of " << message.size() << " bytes";
}

TEST(Sha256, DigestsAFileInChunksAndNamesOneThatIsMissing) {
  test::TempFolder folder;
  test::WriteFileBytes(folder / "big.bin", Pattern(200000));
  EXPECT_EQ(Sha256HexOfFile(folder / "big.bin"),
            "e24bc62381f1224fbbb74688663f8f9743b9680b193edd666835e97b06e730eb");
  try {
    Sha256HexOfFile(folder / "none.bin");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open file \"" + (folder / "none.bin") + "\". No such file or directory");
  }
}

}  // namespace
}  // namespace fabrion
