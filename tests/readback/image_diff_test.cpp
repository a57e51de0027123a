#include "readback/image_diff.h"

#include <gtest/gtest.h>

#include "fakes/translate_rows.h"
#include "firmware/firmware_files.h"

namespace fabrion {
namespace {

using test::Record;
using Lines = std::vector<std::string>;

// An image with the sample's general block and these rows.
Configuration WithRows(const std::vector<TMyRec>& rows) {
  Configuration c{test::SampleImage(), std::nullopt};
  std::fill(c.image.begin(), c.image.begin() + kTranslateRecordCount * kTranslateRecordSize, 0);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TMyRec& r = rows[i];
    const std::uint8_t bytes[10] = {r.DataType,       std::uint8_t(r.RtuAddress),
                                    std::uint8_t(r.RtuAddress >> 8), r.DeviceIp[0],
                                    r.DeviceIp[1],    r.DeviceIp[2],   r.DeviceIp[3],
                                    std::uint8_t(r.TcpAddress),      std::uint8_t(r.TcpAddress >> 8),
                                    r.PointCount};
    std::copy(bytes, bytes + 10, c.image.begin() + static_cast<std::ptrdiff_t>(i * 10));
  }
  return c;
}

const TMyRec kPump = Record(3, 100, {192, 168, 1, 20}, 0, 10, "");
const TMyRec kValve = Record(1, 200, {192, 168, 1, 21}, 5, 1, "");
const TMyRec kMeter = Record(4, 300, {10, 0, 0, 7}, 3, 2, "");
const TMyRec kLamp = Record(2, 400, {10, 0, 0, 8}, 9, 8, "");

TEST(CompareConfigurations, NamesEachGeneralParameterInWords) {
  const struct {
    std::size_t offset;
    std::uint8_t value;
    const char* line;
  } cases[] = {
      {kIpOffset + 3, 11, "IP address 192.168.1.10 \xE2\x86\x92 192.168.1.11"},
      {kSubnetOffset + 3, 128, "Subnet mask 255.255.255.0 \xE2\x86\x92 255.255.255.128"},
      {kGatewayOffset, 10, "Default gateway 192.168.1.1 \xE2\x86\x92 10.168.1.1"},
      {kTcpPortOffset + 1, 2, "TCP port 502 \xE2\x86\x92 758"},
      {kSnmpPublicOffset, 'K', "SNMP community (public) \"kombri\" \xE2\x86\x92 \"Kombri\""},
      {kSnmpPrivateOffset + 7, '!', "SNMP community (private) \"drevant\" \xE2\x86\x92 \"drevant!\""},
      {kBaudOffset, 4, "Baud rate 9600 \xE2\x86\x92 19200"},
      {kParityOffset, 1, "Parity Even \xE2\x86\x92 code 1 (none the gateway knows)"},
      {kTimeOutOffset + 1, 0, "RTU time-out 1000 ms \xE2\x86\x92 232 ms"},
      {kDataOffsetOffset, 6, "System data offset 5 \xE2\x86\x92 6"},
      {kModeOffset, 0, "Operation mode NAT Mode \xE2\x86\x92 Routing Mode"},
      {kAddressRtuOffset, 1, "RTU address 247 \xE2\x86\x92 1"},
      {14500, 1, "Reserved bytes, which the builder leaves zero, differ from offset 14500"},
  };
  const Configuration a{test::SampleImage(), std::nullopt};
  for (const auto& c : cases) {
    Configuration b = a;
    b.image[c.offset] = c.value;
    EXPECT_FALSE(SameConfiguration(a.image, b.image)) << c.line;
    EXPECT_EQ(CompareConfigurations(a, b).configuration, Lines{c.line});
  }
}

TEST(CompareConfigurations, IgnoresTheBuildStampOnly) {
  Configuration a{test::SampleImage(), std::nullopt};
  Configuration b = a;
  for (std::size_t at = kBuildTimeOffset; at < kBuildDateOffset + 2; ++at) b.image[at] ^= 0xFF;
  EXPECT_TRUE(SameConfiguration(a.image, b.image));
  EXPECT_EQ(CompareConfigurations(a, b).configuration, Lines{});
}

TEST(CompareConfigurations, NamesRowsAddedRemovedAndChangedByNumber) {
  TMyRec movedPump = kPump;
  movedPump.RtuAddress = 101;
  movedPump.PointCount = 12;
  const std::string valve =
      "Coil Status, RTU address 200, device 192.168.1.21, TCP address 5, 1 point";
  const std::string meter = "Input Register, RTU address 300, device 10.0.0.7, TCP address 3, 2 points";
  const struct {
    const char* what;
    std::vector<TMyRec> a, b;
    Lines lines;
  } cases[] = {
      {"same rows", {kPump, kValve}, {kPump, kValve}, {}},
      {"added at the end", {kPump}, {kPump, kValve}, {"Row 2 added: " + valve}},
      {"removed at the end", {kPump, kValve}, {kPump}, {"Row 2 removed: " + valve}},
      {"inserted in between", {kPump, kValve, kLamp}, {kPump, kMeter, kValve, kLamp},
       {"Row 2 added: " + meter}},
      {"deleted in between", {kPump, kMeter, kValve, kLamp}, {kPump, kValve, kLamp},
       {"Row 2 removed: " + meter}},
      {"changed in place", {kPump, kValve}, {movedPump, kValve},
       {"Row 1: RTU address 100 \xE2\x86\x92 101, points 10 \xE2\x86\x92 12"}},
      {"inserted before a changed row", {kPump, kValve}, {kMeter, movedPump, kValve},
       {"Row 1 added: " + meter,
        "Row 1, now row 2: RTU address 100 \xE2\x86\x92 101, points 10 \xE2\x86\x92 12"}},
      {"an empty record in between", {kPump, kValve}, {kPump, TMyRec{}, kValve},
       {"Row 2 added: data type 0 (none the gateway knows), RTU address 0, device 0.0.0.0, TCP "
        "address 0, 0 points"}},
      {"every field", {kPump}, {kLamp},
       {"Row 1: data type Holding Register \xE2\x86\x92 Input Status, RTU address 100 \xE2\x86\x92 "
        "400, device 192.168.1.20 \xE2\x86\x92 10.0.0.8, TCP address 0 \xE2\x86\x92 9, points 10 "
        "\xE2\x86\x92 8"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CompareConfigurations(WithRows(c.a), WithRows(c.b)).configuration, c.lines) << c.what;
}

TEST(CompareConfigurations, ListsMnemonicsOfMatchedRowsApart) {
  Configuration a = WithRows({kPump, kValve, kLamp});
  Configuration b = WithRows({kPump, kMeter, kValve, kLamp});
  a.mnemonics = Lines{"Pump", "Valve", "Lamp"};
  b.mnemonics = Lines{"Pump 1", "Meter", "Valve", "Lamp"};
  const Differences d = CompareConfigurations(a, b);
  EXPECT_EQ(d.configuration.size(), 1u);
  EXPECT_EQ(d.mnemonics, Lines{"Row 1: mnemonic \"Pump\" \xE2\x86\x92 \"Pump 1\""});
  b.mnemonics->at(2) = "Valve <2>";
  EXPECT_EQ(CompareConfigurations(a, b).mnemonics.back(),
            "Row 2, now row 3: mnemonic \"Valve\" \xE2\x86\x92 \"Valve <2>\"");
  a.mnemonics.reset();
  EXPECT_EQ(CompareConfigurations(a, b).mnemonics, Lines{});
}

}  // namespace
}  // namespace fabrion
