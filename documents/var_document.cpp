#include "documents/var_document.h"

#include <new>
#include <pugixml.hpp>

#include "documents/xml_load.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_open.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

constexpr const char* kRootName = "TCP_MASTER_TO_RTU_SLAVE";
constexpr const char* kRowName = "row";

std::vector<RowTexts> RowsOf(const pugi::xml_document& document) {
  std::vector<RowTexts> rows;
  const pugi::xml_node root = document.document_element();
  for (pugi::xml_node element = root.first_child(); element; element = element.next_sibling()) {
    if (element.type() != pugi::node_element) continue;
    if (rows.size() == static_cast<std::size_t>(kMaxTranslateRows)) break;
    RowTexts& row = rows.emplace_back();
    row.values.reserve(kRowAttributes.size());
    for (std::string_view name : kRowAttributes) {
      const pugi::xml_attribute attribute = element.attribute(name.data());
      if (!attribute) return rows;
      row.values.emplace_back(attribute.value());
    }
  }
  return rows;
}

}  // namespace

std::string TranslateTableXml(const std::vector<TMyRec>& rows) {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child(kRootName);
  for (const TMyRec& rec : rows) {
    pugi::xml_node row = root.append_child(kRowName);
    const unsigned numbers[8] = {rec.DataType,    rec.RtuAddress,  rec.DeviceIp[0],
                                 rec.DeviceIp[1], rec.DeviceIp[2], rec.DeviceIp[3],
                                 rec.TcpAddress,  rec.PointCount};
    for (std::size_t i = 0; i < 8; ++i)
      row.append_attribute(kRowAttributes[i].data()).set_value(numbers[i]);
    row.append_attribute(kRowAttributes[8].data())
        .set_value(rec.Mnemonic.c_str(), rec.Mnemonic.size());
  }
  return SaveXmlToString(document);
}

void WriteTable(std::string_view path, const std::vector<TMyRec>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    RequireXmlText(path, "The mnemonic of row " + std::to_string(i + 1), rows[i].Mnemonic);
  const std::string xml = TranslateTableXml(rows);
  // A document the program would refuse to read back is never written.
  if (xml.size() > kMaxDocumentBytes)
    throw Error(CannotCreateFileText(
        path, "It would hold " + std::to_string(xml.size()) + " bytes, more than the " +
                  std::to_string(kMaxDocumentBytes / (1024 * 1024)) +
                  " MiB a document may have; shorten the mnemonics."));
  WriteFileAtomically(path, xml);
}

void WriteEmptyTable(std::string_view path) { WriteTable(path, {}); }

std::vector<RowTexts> ParseTable(std::string_view bytes) {
  pugi::xml_document document;
  LoadXmlBytes(bytes, document);
  return RowsOf(document);
}

std::vector<RowTexts> ReadTable(std::string_view path) {
  if (!FileExists(path)) return {};
  pugi::xml_document document;
  LoadXmlFile(path, document);
  try {
    return RowsOf(document);
  } catch (const std::bad_alloc&) {
    throw Error(NotEnoughMemoryText(path));
  }
}

}  // namespace fabrion
