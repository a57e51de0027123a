#include "platform/hex_text.h"

#include <gtest/gtest.h>

namespace fabrion {
namespace {

TEST(ParseHex, ReadsOneToEightDigitsOfEitherCase) {
  const struct {
    const char* text;
    std::optional<std::uint32_t> value;
  } cases[] = {
      {"0", 0u},         {"aF", 0xAFu},       {"FFFFFFFF", 0xFFFFFFFFu},
      {"", std::nullopt}, {"100000000", std::nullopt}, {"1G", std::nullopt},
      {" 1", std::nullopt}, {"0x1", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseHex(c.text), c.value);
  }
}

TEST(Hex, WritesExactlyOrAtLeastTheDigitsAsked) {
  EXPECT_EQ(Hex(0x1ABC, 2), "BC");  // the low digits only
  EXPECT_EQ(Hex(0xABCDEF01, 8, HexCase::kLower), "abcdef01");
  EXPECT_EQ(PrefixedHex(0x4E, 2), "0x4E");
  EXPECT_EQ(PrefixedHex(0x5, 6), "0x000005");
  EXPECT_EQ(PrefixedHex(0x1000000, 6), "0x1000000");  // never cut
}

}  // namespace
}  // namespace fabrion
