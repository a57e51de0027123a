#include "documents/integer_rule.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace fabrion {
namespace {

struct Case {
  std::string text;
  std::optional<std::int32_t> value;
};

void ExpectAll(std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << "text: [" << c.text << "]";
}

constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;

TEST(IntegerRule, DecimalLimitsAndOnePast) {
  ExpectAll({
      {"0", 0},
      {"2147483647", kMax},
      {"2147483648", std::nullopt},
      {"+2147483647", kMax},
      {"+2147483648", std::nullopt},
      {"-2147483648", kMin},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"-0", 0},
      {"007", 7},
      {"000000000000000000002147483647", kMax},
      {"000000000000000000002147483648", std::nullopt},
  });
}

TEST(IntegerRule, HexadecimalPrefixesAndDigitCase) {
  ExpectAll({
      {"$FF", 255},
      {"$ff", 255},
      {"xFF", 255},
      {"XfF", 255},
      {"0xFF", 255},
      {"0XFF", 255},
      {"$0A", 10},
      {"-$10", -16},
      {"+$10", 16},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"x", std::nullopt},
      {"$G", std::nullopt},
      {"$-1", std::nullopt},
      {"0x0x1", std::nullopt},
      {"$0xFF", std::nullopt},
      {"00xFF", std::nullopt},
      {"#FF", std::nullopt},
      {"h10", std::nullopt},
      {"10h", std::nullopt},
  });
}

TEST(IntegerRule, HexadecimalLimitsAreEightSignificantDigits) {
  ExpectAll({
      {"$7FFFFFFF", kMax},
      {"$80000000", kMin},
      {"$FFFFFFFF", -1},
      {"$FFFFFFFE", -2},
      {"$100000000", std::nullopt},
      {"$FFFFFFFFF", std::nullopt},
      {"$0FFFFFFFF", -1},
      {"$00000000000000FFFFFFFF", -1},
      {"$000000000", 0},
      {"-$80000000", kMin},
      {"-$FFFFFFFF", 1},
      {"-$7FFFFFFF", -kMax},
  });
}

TEST(IntegerRule, BlanksOnlyInFront) {
  ExpectAll({
      {" 12", 12},
      {"      12", 12},
      {"  -12", -12},
      {"  $FF", 255},
      {"12 ", std::nullopt},
      {" 12 ", std::nullopt},
      {"1 2", std::nullopt},
      {"- 12", std::nullopt},
      {"$ FF", std::nullopt},
      {"\t12", std::nullopt},
      {"12\n", std::nullopt},
      {"\xC2\xA0" "12", std::nullopt},
  });
}

TEST(IntegerRule, EmptySignsAndStrayCharactersAreNoInteger) {
  ExpectAll({
      {"", std::nullopt},
      {" ", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"--1", std::nullopt},
      {"1.0", std::nullopt},
      {"1e3", std::nullopt},
      {"12abc", std::nullopt},
      {"\xEF\xBC\x91", std::nullopt},  // a full-width digit
      {std::string("1\0", 2), std::nullopt},
  });
}

TEST(IntegerRule, IntegerOrGivesTheFallbackOnlyForNoInteger) {
  EXPECT_EQ(IntegerOr("0", 502), 0);
  EXPECT_EQ(IntegerOr("-1", 502), -1);
  EXPECT_EQ(IntegerOr("502 ", 7), 7);
  EXPECT_EQ(IntegerOr("", 7), 7);
}

}  // namespace
}  // namespace fabrion
