#include "firmware/flash_tool_call.h"

#include <gtest/gtest.h>

namespace fabrion {
namespace {

TEST(FlashToolParameters, QuotesThePathThenTheSeparatorByteAndThePortIndex) {
  EXPECT_EQ(FlashToolParameters("/opt/Fabrion/PROJECTS/demo/New_ravelin.sx", 0),
            std::string("\"/opt/Fabrion/PROJECTS/demo/New_ravelin.sx\"\xB6") + "0");
  EXPECT_EQ(FlashToolParameters("C:\\F\\New_ravelin.sx", 7), std::string("\"C:\\F\\New_ravelin.sx\"\xB6") + "7");
  EXPECT_EQ(PortName(0), "COM1");
  EXPECT_EQ(PortName(7), "COM8");
}

TEST(ReadFlashToolParameters, ReadsWhatTheProgramPasses) {
  for (int port = 0; port < 8; ++port) {
    SCOPED_TRACE(port);
    const auto reading = ReadFlashToolParameters(FlashToolParameters("/a b/New_ravelin.sx", port));
    ASSERT_TRUE(reading.call) << reading.problem;
    EXPECT_EQ(reading.call->firmwarePath, "/a b/New_ravelin.sx");
    EXPECT_EQ(reading.call->portIndex, port);
  }
  const auto utf8 = ReadFlashToolParameters("\"C:\\x.sx\"\xC2\xB6" "2");
  ASSERT_TRUE(utf8.call);
  EXPECT_EQ(utf8.call->portIndex, 2);
}

TEST(ReadFlashToolParameters, RefusesOtherForms) {
  const struct {
    std::string parameters;
    const char* problem;
  } cases[] = {
      {"", "the parameter does not start with a double quote"},
      {"/x.sx\xB6" "0", "the parameter does not start with a double quote"},
      {"\"/x.sx\xB6" "0", "the file's path has no closing double quote"},
      {"\"\"\xB6" "0", "the file's path is empty"},
      {"\"/x.sx\" 0", "the path is not followed by the separator byte B6"},
      {"\"/x.sx\"\xB6", "the port index is not one of 0 to 7"},
      {"\"/x.sx\"\xB6" "8", "the port index is not one of 0 to 7"},
      {"\"/x.sx\"\xB6" "01", "the port index is not one of 0 to 7"},
      {"\"/x.sx\"\xB6" "0 ", "the port index is not one of 0 to 7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parameters);
    const auto reading = ReadFlashToolParameters(c.parameters);
    EXPECT_FALSE(reading.call);
    EXPECT_EQ(reading.problem, c.problem);
  }
}

}  // namespace
}  // namespace fabrion
