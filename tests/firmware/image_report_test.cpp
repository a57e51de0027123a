#include "firmware/image_report.h"

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
  image[15016] = 'x';
  for (std::size_t i = 0; i < 14; ++i) image[15028 + i] = 'A' + i;  // no zero end
  image[13990] = 9;      // the last of the 1400 rows, an unknown type
  image[13999] = 255;
  const ImageReport report = DescribeConfigImage(image);
  EXPECT_EQ(report.general[4], "SNMP community Public \"\\x22\\xE9x\"");
  EXPECT_EQ(report.general[5], "SNMP community Private \"ABCDEFGHIJKLMN\"");
  EXPECT_EQ(report.general[6],
            "baud-rate code 8 (none the gateway knows), parity code 1 (none the gateway knows)");
  EXPECT_EQ(report.general[9], "operation mode code 2 (none the gateway knows)");
  EXPECT_EQ(report.rows, std::vector<std::string>{
                             "Row 1400: data type 9 (none the gateway knows), RTU 0 to device "
                             "0.0.0.0 at 0, 255 points"});
}

TEST(DescribeConfigImage, ReadsEveryBaudRateAndParity) {
  const char* rates[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
  for (int code = 0; code < 8; ++code) {
    SCOPED_TRACE(code);
    ConfigImage image{};
    image[15042] = static_cast<std::uint8_t>(code);
    image[15043] = 3;
    EXPECT_EQ(DescribeConfigImage(image).general[6], std::string(rates[code]) + " baud, parity odd");
  }
}

TEST(DescribeConfigImage, ReadsTheBuildStampAsTheImagePacksIt) {
  ConfigImage image{};
  image[15049] = 0xAD;  // 13:45:58
  image[15050] = 0xED;
  image[15051] = 0x09;  // 31 December 2009
  image[15052] = 0xFE;
  EXPECT_EQ(DescribeConfigImage(image).general[11], "Built 2009-12-31 13:45:58");
}

}  // namespace
}  // namespace fabrion
