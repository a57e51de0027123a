#include "documents/data_types.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace fabrion {
namespace {

TEST(DataTypes, NamesToCodesIgnoringAsciiCaseOnly) {
  struct Case {
    std::string name;
    std::optional<int> code;
  };
  const Case cases[] = {
      {"Coil Status", 1},         {"Input Status", 2},
      {"Holding Register", 3},    {"Input Register", 4},
      {"coil status", 1},         {"HOLDING REGISTER", 3},
      {"iNPUT rEGISTER", 4},      {" Coil Status", std::nullopt},
      {"Coil Status ", std::nullopt}, {"CoilStatus", std::nullopt},
      {"Coil  Status", std::nullopt}, {"", std::nullopt},
      {"Coil", std::nullopt},     {"Coil Statu", std::nullopt},
      {"1", std::nullopt},        {"Input Registers", std::nullopt},
      {"Coil\tStatus", std::nullopt},
      {"\xC3\x87oil Status", std::nullopt},  // a non-ASCII C is not folded
  };
  for (const Case& c : cases) EXPECT_EQ(DataTypeCode(c.name), c.code) << "[" << c.name << "]";
}

TEST(DataTypes, CodesToNamesOneToFourOnly) {
  EXPECT_EQ(DataTypeName(1), "Coil Status");
  EXPECT_EQ(DataTypeName(2), "Input Status");
  EXPECT_EQ(DataTypeName(3), "Holding Register");
  EXPECT_EQ(DataTypeName(4), "Input Register");
  for (int code : {0, 5, 7, -1, 256 + 1, INT32_MIN, INT32_MAX})
    EXPECT_EQ(DataTypeName(code), std::nullopt) << code;
  for (int code = 1; code <= 4; ++code) EXPECT_EQ(DataTypeCode(*DataTypeName(code)), code);
}

}  // namespace
}  // namespace fabrion
