#include "documents/general_parameter_checks.h"

#include "documents/ip_address.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <ostream>

namespace fabrion {
namespace {

// --- One field at a time: what each check accepts and refuses ---

struct FieldCase {
  const char* field;  // for the failure report
  std::function<void(GeneralParameters&, const std::string&)> set;
  const char* text;
  std::optional<std::string_view> message;  // nothing: accepted
};

void PrintTo(const FieldCase& c, std::ostream* out) { *out << c.field << " = \"" << c.text << "\""; }

std::function<void(GeneralParameters&, const std::string&)> Ip(int i) {
  return [i](GeneralParameters& v, const std::string& t) { v.ip[i] = t; };
}
std::function<void(GeneralParameters&, const std::string&)> Subnet(int i) {
  return [i](GeneralParameters& v, const std::string& t) { v.subnet[i] = t; };
}
std::function<void(GeneralParameters&, const std::string&)> Gateway(int i) {
  return [i](GeneralParameters& v, const std::string& t) { v.gateway[i] = t; };
}
void TimeOut(GeneralParameters& v, const std::string& t) { v.timeOut = t; }
void Offset(GeneralParameters& v, const std::string& t) { v.offset = t; }
void Port(GeneralParameters& v, const std::string& t) { v.tcpPort = std::stoi(t); }

class GeneralParameterFieldCheck : public ::testing::TestWithParam<FieldCase> {};

TEST_P(GeneralParameterFieldCheck, AcceptsOrNamesTheField) {
  const FieldCase& c = GetParam();
  GeneralParameters values;
  c.set(values, c.text);
  const std::optional<std::string> fault = FirstGeneralParameterFault(values);
  if (c.message)
    EXPECT_EQ(fault, std::string(*c.message)) << c.field << " = \"" << c.text << "\"";
  else
    EXPECT_EQ(fault, std::nullopt) << c.field << " = \"" << c.text << "\"";
}

constexpr std::optional<std::string_view> kAccepted = std::nullopt;

// "ip1_256", "timeout_minus1", "offset_empty": a test name from the case.
std::string CaseName(const ::testing::TestParamInfo<FieldCase>& info) {
  std::string name;
  for (char c : std::string(info.param.field)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  name += "_";
  const std::string text = info.param.text;
  if (text.empty()) name += "empty";
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    else if (c == '-') name += "minus";
    else if (c == '+') name += "plus";
    else if (c == '$') name += "hex";
    else if (c == ' ') name += "blank";
    else name += "_";
  }
  return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(
    Octets, GeneralParameterFieldCheck,
    ::testing::Values(
        FieldCase{"ip1", Ip(0), "0", kAccepted}, FieldCase{"ip1", Ip(0), "255", kAccepted},
        FieldCase{"ip1", Ip(0), "256", kIpOctetMessage}, FieldCase{"ip1", Ip(0), "-1", kIpOctetMessage},
        FieldCase{"ip1", Ip(0), "", kIpOctetMessage}, FieldCase{"ip1", Ip(0), "abc", kIpOctetMessage},
        FieldCase{"ip1", Ip(0), " 12", kAccepted}, FieldCase{"ip1", Ip(0), "12 ", kIpOctetMessage},
        FieldCase{"ip1", Ip(0), "$0A", kAccepted}, FieldCase{"ip1", Ip(0), "0xFF", kAccepted},
        FieldCase{"ip1", Ip(0), "$100", kIpOctetMessage}, FieldCase{"ip1", Ip(0), "010", kAccepted},
        FieldCase{"ip1", Ip(0), "1.5", kIpOctetMessage}, FieldCase{"ip1", Ip(0), "+7", kAccepted},
        FieldCase{"ip2", Ip(1), "300", kIpOctetMessage}, FieldCase{"ip3", Ip(2), "x", kIpOctetMessage},
        FieldCase{"ip4", Ip(3), "256", kIpOctetMessage}, FieldCase{"ip4", Ip(3), "255", kAccepted},
        FieldCase{"sub1", Subnet(0), "256", kSubnetOctetMessage},
        FieldCase{"sub2", Subnet(1), "", kSubnetOctetMessage},
        FieldCase{"sub3", Subnet(2), "-1", kSubnetOctetMessage},
        FieldCase{"sub4", Subnet(3), "255", kAccepted},
        FieldCase{"sub4", Subnet(3), "ff", kSubnetOctetMessage},
        FieldCase{"gat1", Gateway(0), "300", kGatewayOctetMessage},
        FieldCase{"gat2", Gateway(1), "", kGatewayOctetMessage},
        FieldCase{"gat3", Gateway(2), "255", kAccepted},
        FieldCase{"gat4", Gateway(3), "256", kGatewayOctetMessage}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    TimeOutAndOffset, GeneralParameterFieldCheck,
    ::testing::Values(FieldCase{"time-out", TimeOut, "0", kAccepted},
                      // The device holds 16 bits: 70000 would reach it as 4464.
                      FieldCase{"time-out", TimeOut, "65535", kAccepted},
                      FieldCase{"time-out", TimeOut, "65536", kTimeOutMessage},
                      FieldCase{"time-out", TimeOut, "100000", kTimeOutMessage},
                      FieldCase{"time-out", TimeOut, "2147483648", kTimeOutMessage},
                      FieldCase{"time-out", TimeOut, "$FFFF", kAccepted},
                      FieldCase{"time-out", TimeOut, "$10000", kTimeOutMessage},
                      FieldCase{"time-out", TimeOut, "$FFFFFFFF", kTimeOutMessage},  // -1
                      FieldCase{"time-out", TimeOut, "", kTimeOutMessage},
                      FieldCase{"time-out", TimeOut, "-1", kTimeOutMessage},
                      FieldCase{"time-out", TimeOut, "10 ms", kTimeOutMessage},
                      FieldCase{"offset", Offset, "0", kAccepted},
                      FieldCase{"offset", Offset, "65535", kAccepted},
                      FieldCase{"offset", Offset, "65536", kOffsetMessage},
                      FieldCase{"tcp port", Port, "1", kAccepted},
                      FieldCase{"tcp port", Port, "65535", kAccepted},
                      FieldCase{"tcp port", Port, "0", kTcpPortMessage},
                      FieldCase{"tcp port", Port, "65536", kTcpPortMessage},
                      FieldCase{"offset", Offset, "-1", kOffsetMessage},
                      FieldCase{"offset", Offset, "", kOffsetMessage},
                      FieldCase{"offset", Offset, "one", kOffsetMessage}),
    CaseName);

// --- Several faults at once: the first in the order wins ---

TEST(GeneralParameterChecks, DefaultsPass) {
  EXPECT_EQ(FirstGeneralParameterFault(GeneralParameters{}), std::nullopt);
}

TEST(GeneralParameterChecks, FirstFaultInOrderWins) {
  GeneralParameters all;
  all.ip[3] = "256";
  all.subnet[0] = "256";
  all.gateway[0] = "256";
  all.tcpPort = 0;
  all.timeOut = "";
  all.offset = "-1";
  const std::string_view expected[] = {kIpOctetMessage, kSubnetOctetMessage, kGatewayOctetMessage,
                                       kTcpPortMessage, kTimeOutMessage, kOffsetMessage};
  for (std::string_view message : expected) {
    SCOPED_TRACE(std::string(message));
    EXPECT_EQ(FirstGeneralParameterFault(all), std::string(message));
    // Mend the fault just reported; the next one in the order comes up.
    if (message == kIpOctetMessage) all.ip[3] = "1";
    if (message == kSubnetOctetMessage) all.subnet[0] = "1";
    if (message == kGatewayOctetMessage) all.gateway[0] = "1";
    if (message == kTcpPortMessage) all.tcpPort = 502;
    if (message == kTimeOutMessage) all.timeOut = "0";
    if (message == kOffsetMessage) all.offset = "0";
  }
  EXPECT_EQ(FirstGeneralParameterFault(all), std::nullopt);
}

TEST(GeneralParameterChecks, LeavesTheTextsAsTyped) {
  GeneralParameters values;
  values.ip = {" 10", "$0A", "010", "+1"};
  const GeneralParameters before = values;
  EXPECT_EQ(FirstGeneralParameterFault(values), std::nullopt);
  EXPECT_EQ(values, before);
}

// --- The RTU address field's text as the document receives it ---

TEST(RtuAddressOf, PullsIntoRangeAndTakesOneForNoInteger) {
  const std::pair<const char*, int> cases[] = {
      {"1", 1},    {"255", 255}, {"256", 255}, {"300", 255}, {"0", 1},   {"-5", 1},
      {"+7", 7},   {"", 1},      {"abc", 1},   {"1.5", 1},   {"1-2", 1}, {"2147483647", 255},
      {"-2147483648", 1}, {"99999999999", 1}};
  for (const auto& [text, address] : cases)
    EXPECT_EQ(RtuAddressOf(text), address) << "text \"" << text << "\"";
}


// --- Values a document holds that the device's 16-bit fields cut ---

TEST(DeviceWordOverflows, SaysWhatTheDeviceGets) {
  const std::string cut = " does not fit the device's 16-bit field: the device gets ";
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"<TIME_OUT>65535</TIME_OUT><OFFSET>x</OFFSET>", {}},  // no integer: the builder's concern
      {"<TIME_OUT>$10000</TIME_OUT>", {"Timeout (ms) 65536" + cut + "0"}},
      {"<OFFSET>-1</OFFSET>", {"System Data Offset -1" + cut + "65535"}}};
  for (const auto& [elements, lines] : cases)
    EXPECT_EQ(DeviceWordOverflows(ParseGeneralParameterTexts(std::string("<General_Parameter>") +
                                                             elements + "</General_Parameter>")),
              lines)
        << elements;
}


// --- A dotted address pasted into one octet field fills its row ---

TEST(PastedAddressParts, FillsTheRowOnlyForADottedAddress) {
  using Parts = std::array<std::string, 4>;
  const std::pair<const char*, std::optional<Parts>> cases[] = {
      {"  10.0.0.5\n", Parts{"10", "0", "0", "5"}},
      {"\t1. 2.$3.004 ", Parts{"1", " 2", "$3", "004"}},
      {"12", std::nullopt}, {"1.2.3.256", std::nullopt}, {"1.2 .3.4", std::nullopt},
      {" ", std::nullopt}};
  for (const auto& [text, parts] : cases)
    EXPECT_EQ(PastedAddressParts(text), parts) << '"' << text << '"';
}

}  // namespace
}  // namespace fabrion
