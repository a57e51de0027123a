#include "readback/image_report.h"

#include <gtest/gtest.h>

namespace fabrion {
namespace {

TEST(DescribeConfigImage, NamesCodesTheGatewayDoesNotKnow) {
  ConfigImage image{};
  image[15042] = 8;      // baud
  image[15043] = 1;      // parity 1 is not used
  image[15048] = 2;      // mode
  image[15014] = '"';    // community names with characters a reader must see
  image[15015] = 0xE9;
  image[15016] = 0x81;   // no Windows-1252 character
  image[15018] = 'x';    // after the name's end
  for (std::size_t i = 0; i < 14; ++i) image[15028 + i] = 'A' + i;  // no zero end
  image[13990] = 9;      // the last of the 1400 rows, an unknown type
  image[13999] = 255;
  const ImageReport report = DescribeConfigImage(image);
  EXPECT_EQ(report.general[4], "SNMP community (public) \"\\x22\xC3\xA9\\x81\\x00x\"");
  EXPECT_EQ(report.general[5], "SNMP community (private) \"ABCDEFGHIJKLMN\"");
  EXPECT_EQ(report.general[6], "Baud rate code 8 (none the gateway knows)");
  EXPECT_EQ(report.general[7], "Parity code 1 (none the gateway knows)");
  EXPECT_EQ(report.general[10], "Operation mode code 2 (none the gateway knows)");
  EXPECT_EQ(report.rows, std::vector<std::string>{
                             "Row 1400: data type 9 (none the gateway knows), RTU address 0, "
                             "device 0.0.0.0, TCP address 0, 255 points"});
}

TEST(DescribeConfigImage, ReadsEveryBaudRateAndParity) {
  const char* rates[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
  const std::pair<int, const char*> parities[] = {{0, "None"}, {2, "Even"}, {3, "Odd"}};
  for (int code = 0; code < 8; ++code) {
    SCOPED_TRACE(code);
    ConfigImage image{};
    image[15042] = static_cast<std::uint8_t>(code);
    image[15043] = static_cast<std::uint8_t>(parities[code % 3].first);
    const ImageReport report = DescribeConfigImage(image);
    EXPECT_EQ(report.general[6], std::string("Baud rate ") + rates[code]);
    EXPECT_EQ(report.general[7], std::string("Parity ") + parities[code % 3].second);
  }
}

TEST(DescribeConfigImage, ReadsTheBuildStampAsTheImagePacksIt) {
  ConfigImage image{};
  image[15049] = 0xAD;  // 13:45:58
  image[15050] = 0xED;
  image[15051] = 0x09;  // 31 December 2009
  image[15052] = 0xFE;
  EXPECT_EQ(DescribeConfigImage(image).general[12], "Build date and time 2009-12-31 13:45:58");
}

// Words no clock writes: each field one past its limit, and the limits themselves.
TEST(DescribeConfigImage, ShowsAnImpossibleBuildStampAsItsWords) {
  auto time = [](unsigned h, unsigned m, unsigned s2) { return std::uint16_t(s2 << 11 | m << 5 | h); };
  auto date = [](unsigned y, unsigned m, unsigned d) { return std::uint16_t(d << 11 | m << 7 | y); };
  const struct {
    std::uint16_t time, date;
    std::string text;
  } cases[] = {
      {time(23, 59, 29), date(127, 12, 31), "2127-12-31 23:59:58"},
      {time(0, 0, 0), date(24, 2, 29), "2024-02-29 00:00:00"},
      {time(0, 0, 0), date(0, 2, 29), "2000-02-29 00:00:00"},
      {time(0, 0, 0), date(100, 2, 29), "not a valid date (words 0x0000, 0xE964)"},  // 2100
      {time(31, 63, 31), date(99, 15, 0), "not a valid date (words 0xFFFF, 0x07E3)"},
      {time(24, 0, 0), date(9, 1, 1), "not a valid date (words 0x0018, 0x0889)"},
      {time(0, 60, 0), date(9, 1, 1), "not a valid date (words 0x0780, 0x0889)"},
      {time(0, 0, 30), date(9, 1, 1), "not a valid date (words 0xF000, 0x0889)"},
      {time(0, 0, 0), date(9, 0, 1), "not a valid date (words 0x0000, 0x0809)"},
      {time(0, 0, 0), date(9, 13, 1), "not a valid date (words 0x0000, 0x0E89)"},
      {time(0, 0, 0), date(9, 4, 31), "not a valid date (words 0x0000, 0xFA09)"},
      {time(0, 0, 0), date(9, 4, 0), "not a valid date (words 0x0000, 0x0209)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ConfigImage image{};
    image[15049] = c.time & 0xFF;
    image[15050] = c.time >> 8;
    image[15051] = c.date & 0xFF;
    image[15052] = c.date >> 8;
    EXPECT_EQ(DescribeConfigImage(image).general[12], "Build date and time " + c.text);
  }
}

}  // namespace
}  // namespace fabrion
