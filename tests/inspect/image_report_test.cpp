#include "inspect/image_report.h"

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

}  // namespace
}  // namespace fabrion
