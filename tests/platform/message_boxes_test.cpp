#include "platform/message_boxes.h"

#include <gtest/gtest.h>

#include <ostream>

namespace fabrion {
namespace {

struct FullStopCase {
  const char* text;
  const char* shown;
  friend void PrintTo(const FullStopCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class GeneralErrorTextTest : public ::testing::TestWithParam<FullStopCase> {};

TEST_P(GeneralErrorTextTest, AddsFullStopOnlyAboveFullStop) {
  EXPECT_EQ(GeneralErrorText(GetParam().text), GetParam().shown) << "text: " << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    LastCharacter, GeneralErrorTextTest,
    ::testing::Values(FullStopCase{"Access denied", "Access denied."},
                      FullStopCase{"Done.", "Done."},
                      FullStopCase{"Error!!", "Error!!"},
                      FullStopCase{"trailing blank ", "trailing blank "},
                      FullStopCase{"a comma,", "a comma,"},
                      FullStopCase{"a dash-", "a dash-"},
                      FullStopCase{"a slash/", "a slash/."},   // "/" sorts just above "."
                      FullStopCase{"digits 42", "digits 42."},
                      FullStopCase{"quote\"", "quote\""},
                      FullStopCase{"Unable to write to /x/Fabrion.ini", "Unable to write to /x/Fabrion.ini."},
                      FullStopCase{"Projekt f\xC3\xBCr Stra\xC3\x9F" "e", "Projekt f\xC3\xBCr Stra\xC3\x9F" "e."},
                      FullStopCase{"ends in \xC3\xA9", "ends in \xC3\xA9."},
                      FullStopCase{"line\nbreak", "line\nbreak."},
                      FullStopCase{"", ""}));

}  // namespace
}  // namespace fabrion
