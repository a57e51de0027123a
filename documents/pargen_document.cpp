#include "documents/pargen_document.h"

#include <algorithm>

#include <pugixml.hpp>

#include "documents/gateway_codes.h"
#include "documents/integer_rule.h"
#include "documents/utf8_text.h"
#include "documents/xml_load.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

constexpr const char* kRootName = "General_Parameter";

std::size_t IndexOf(std::string_view element) {
  const auto found =
      std::find(kGeneralParameterElements.begin(), kGeneralParameterElements.end(), element);
  return static_cast<std::size_t>(found - kGeneralParameterElements.begin());
}

// The 21 texts in element order, as the writer puts them.
std::array<std::string, 21> TextsToWrite(const GeneralParameters& v) {
  const int baud = IsBaudCode(v.baudIndex) ? v.baudIndex : kNoBaudCode;
  return {v.ip[0],          v.ip[1],          v.ip[2],          v.ip[3],
          v.subnet[0],      v.subnet[1],      v.subnet[2],      v.subnet[3],
          v.gateway[0],     v.gateway[1],     v.gateway[2],     v.gateway[3],
          std::to_string(v.tcpPort),          v.snmpPublic,     v.snmpPrivate,
          std::to_string(baud),
          std::to_string(ParityCodeOfPosition(v.parityIndex)),
          v.timeOut,        v.offset,
          std::to_string(v.natMode ? kNatModeCode : kRoutingModeCode),
          std::to_string(v.addressRtu)};
}

GeneralParameterTexts TextsOf(const pugi::xml_document& document) {
  GeneralParameterTexts found;
  const pugi::xml_node root = document.child(kRootName);
  if (!root) return found;
  for (std::size_t i = 0; i < kGeneralParameterElements.size(); ++i) {
    const std::string name(kGeneralParameterElements[i]);
    if (const pugi::xml_node element = root.child(name.c_str())) found.texts[i] = ElementText(element);
  }
  return found;
}

std::optional<std::int32_t> IntegerOf(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return ParseInteger(*text);
}

}  // namespace

const std::optional<std::string>& GeneralParameterTexts::Text(std::string_view element) const {
  static const std::optional<std::string> kNone;
  const std::size_t index = IndexOf(element);
  return index < texts.size() ? texts[index] : kNone;
}

std::string JoinedIpAddress(const GeneralParameters& values) {
  return values.ip[0] + "." + values.ip[1] + "." + values.ip[2] + "." + values.ip[3];
}

std::string GeneralParametersXml(const GeneralParameters& values) {
  const std::array<std::string, 21> texts = TextsToWrite(values);
  pugi::xml_document document;
  pugi::xml_node root = document.append_child(kRootName);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string name(kGeneralParameterElements[i]);
    root.append_child(name.c_str()).text().set(texts[i].c_str(), texts[i].size());
  }
  return SaveXmlToString(document);
}

void WriteGeneralParameters(std::string_view path, const GeneralParameters& values) {
  // A community name may come pasted with a control character in it.
  RequireXmlText(path, "SNMP_PUBLIC", values.snmpPublic);
  RequireXmlText(path, "SNMP_PRIVATE", values.snmpPrivate);
  WriteFileAtomically(path, GeneralParametersXml(values));
}

GeneralParameters GeneralParametersFromTexts(const GeneralParameterTexts& found) {
  GeneralParameters v;
  auto text = [&](std::string_view element, std::string& target) {
    if (const auto& t = found.Text(element)) target = *t;
  };
  for (std::size_t i = 0; i < 4; ++i) {
    text(kGeneralParameterElements[i], v.ip[i]);
    text(kGeneralParameterElements[4 + i], v.subnet[i]);
    text(kGeneralParameterElements[8 + i], v.gateway[i]);
  }
  text("TIME_OUT", v.timeOut);
  text("OFFSET", v.offset);

  v.tcpPort = IntegerOf(found.Text("TCP_PORT")).value_or(502);

  auto communityName = [&](std::string_view element) {
    const auto& t = found.Text(element);
    return t ? FirstUtf8Characters(*t, kCommunityNameLength) : std::string();
  };
  v.snmpPublic = communityName("SNMP_PUBLIC");
  v.snmpPrivate = communityName("SNMP_PRIVATE");

  if (const auto baud = IntegerOf(found.Text("BAUD")))
    v.baudIndex = IsBaudCode(*baud) ? *baud : kNoBaudCode;

  if (const auto parity = IntegerOf(found.Text("PARITY")))
    v.parityIndex = ParityPositionOfCode(*parity).value_or(0);

  if (const auto mode = IntegerOf(found.Text("MODE"))) v.natMode = *mode != kRoutingModeCode;

  if (const auto address = IntegerOf(found.Text("ADDRESS_RTU")))
    v.addressRtu = std::clamp<std::int32_t>(*address, kMinRtuAddress, kMaxRtuAddress);
  return v;
}

GeneralParameterTexts ParseGeneralParameterTexts(std::string_view bytes) {
  pugi::xml_document document;
  LoadXmlBytes(bytes, document);
  return TextsOf(document);
}

GeneralParameterTexts ReadGeneralParameterTexts(std::string_view path) {
  pugi::xml_document document;
  LoadXmlFile(path, document);
  return TextsOf(document);
}

GeneralParameters ParseGeneralParameters(std::string_view bytes) {
  return GeneralParametersFromTexts(ParseGeneralParameterTexts(bytes));
}

GeneralParameters ReadGeneralParameters(std::string_view path) {
  if (!FileExists(path)) return GeneralParameters{};
  return GeneralParametersFromTexts(ReadGeneralParameterTexts(path));
}

std::optional<std::int32_t> ReadOperationModeCode(std::string_view path) {
  try {
    if (!FileExists(path)) return std::nullopt;
    return IntegerOf(ReadGeneralParameterTexts(path).Text("MODE"));
  } catch (const Error&) {
    return std::nullopt;
  }
}

}  // namespace fabrion
