#include "inspect/image_recovery.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "documents/gateway_codes.h"
#include "inspect/image_decoding.h"
#include "inspect/image_diff.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/output_file.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

constexpr std::uint8_t kNoBaudRate = kNoBaudCode & 0xFF;  // as the image holds it
constexpr std::uint8_t kMostPointsSaved = 126;

// The value's words as the general parameters list them.
std::string Words(const ImageGeneral& general, std::string_view name) {
  for (const ValueWords& words : GeneralParameterWords(general))
    if (words.name == name) return words.name + " " + words.value;
  return std::string(name);
}

// The general parameters in the dialog's form; refusals for what none holds.
GeneralParameters GeneralFromImage(const ImageGeneral& g, std::vector<std::string>& refusals) {
  GeneralParameters p;
  for (std::size_t i = 0; i < 4; ++i) {
    p.ip[i] = std::to_string(g.ip[i]);
    p.subnet[i] = std::to_string(g.subnet[i]);
    p.gateway[i] = std::to_string(g.gateway[i]);
  }
  p.tcpPort = g.tcpPort;

  auto community = [&](const CommunityName& field, std::string_view name, std::string& target) {
    if (const auto text = CommunityNameText(field))
      target = *text;
    else
      refusals.push_back(Words(g, name) +
                         ": no name pargen.xml can hold gives these bytes (a byte that stands "
                         "for no character, a control character or bytes after the name's end)");
  };
  community(g.snmpPublic, "SNMP community (public)", p.snmpPublic);
  community(g.snmpPrivate, "SNMP community (private)", p.snmpPrivate);

  if (IsBaudCode(g.baudCode))
    p.baudIndex = g.baudCode;
  else if (g.baudCode == kNoBaudRate)
    p.baudIndex = kNoBaudCode;
  else
    refusals.push_back("Baud rate code " + std::to_string(g.baudCode) +
                       ": pargen.xml holds the codes 0 to 7 (1200 to 115200 baud) and 255 (no "
                       "rate selected)");

  if (const std::optional<int> position = ParityPositionOfCode(g.parityCode))
    p.parityIndex = *position;
  else
    refusals.push_back("Parity code " + std::to_string(g.parityCode) +
                       ": pargen.xml holds the codes 0 (none), 2 (even) and 3 (odd)");

  p.timeOut = std::to_string(g.timeOut);
  p.offset = std::to_string(g.dataOffset);

  if (g.modeCode < kModeNames.size())
    p.natMode = g.modeCode == kNatModeCode;
  else
    refusals.push_back("Operation mode code " + std::to_string(g.modeCode) +
                       ": pargen.xml holds the codes 0 (Routing Mode) and 1 (NAT Mode)");

  if (g.addressRtu >= kMinRtuAddress)
    p.addressRtu = g.addressRtu;
  else
    refusals.push_back("RTU address 0: pargen.xml holds 1 to 255");
  return p;
}

// What the Translate Table dialog will question: runs of all-zero rows, data
// types other than the four, more points than it saves.
std::vector<std::string> RowNotes(const std::vector<TMyRec>& rows) {
  std::vector<std::string> notes;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string row = std::to_string(i + 1);
    if (rows[i] == TMyRec{}) {
      std::size_t last = i;
      while (last + 1 < rows.size() && rows[last + 1] == TMyRec{}) ++last;
      const bool one = last == i;
      notes.push_back((one ? "Row " + row + " is" : "Rows " + row + " to " + std::to_string(last + 1) + " are") +
                      " all zero in the image; var.xml keeps " + (one ? "it as a row" : "them as rows") +
                      " of data type 0, which the Translate Table dialog asks you to change before "
                      "it saves the table.");
      i = last;
      continue;
    }
    if (rows[i].DataType < 1 || rows[i].DataType > 4)
      notes.push_back("Row " + row + " has data type code " + std::to_string(rows[i].DataType) +
                      ", which the Translate Table dialog asks you to change before it saves "
                      "the table.");
    if (rows[i].PointCount > kMostPointsSaved)
      notes.push_back("Row " + row + " has " + std::to_string(rows[i].PointCount) +
                      " points, more than the 126 the Translate Table dialog saves.");
  }
  return notes;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
  return text;
}

}  // namespace

Recovery RecoverDocuments(const ConfigImage& image) {
  Recovery recovery;
  std::vector<std::string>& refusals = recovery.refusals;
  const DecodedImage decoded = DecodeConfigImage(image);

  RecoveredDocuments documents;
  documents.general = GeneralFromImage(decoded.general, refusals);
  for (std::size_t i = 0; i < kConfigImageSize; ++i) {
    if (IsReservedOffset(i) && image[i] != 0) {
      refusals.push_back("Reserved bytes hold data from offset " + std::to_string(i) +
                         ": no document puts anything there");
      break;
    }
  }
  if (!refusals.empty()) return recovery;

  documents.rows = decoded.rows;
  documents.buildStamp = BuildStampText(decoded.general.buildTime, decoded.general.buildDate);
  documents.notes = RowNotes(documents.rows);

  // The proof: the image the documents' bytes build.
  ConfigImage rebuilt{};
  FixedClock clock;
  try {
    const BuildOutcome outcome =
        BuildConfigImageFromXml(TranslateTableXml(documents.rows),
                                GeneralParametersXml(documents.general), clock, rebuilt);
    if (!outcome.complete) refusals.push_back(outcome.reason);
  } catch (const Error& e) {
    refusals.push_back(e.what());
  }
  if (refusals.empty() && !SameConfiguration(image, rebuilt)) {
    const Differences differences = CompareConfigurations({image, std::nullopt}, {rebuilt, std::nullopt});
    refusals.push_back("The documents would build another image: " + Joined(differences.configuration));
  }
  if (refusals.empty()) recovery.documents = std::move(documents);
  return recovery;
}

std::optional<std::string> ExistingDocument(std::string_view projectDir) {
  for (const char* name : {"pargen.xml", "var.xml"}) {
    const std::string path = JoinPath(projectDir, name);
    std::error_code ec;
    if (std::filesystem::exists(ToFsPath(path), ec)) return path;
  }
  return std::nullopt;
}

void WriteRecoveredDocuments(std::string_view projectDir, const RecoveredDocuments& documents) {
  CheckOutputFolder(projectDir);
  const std::string bin = JoinPath(projectDir, "bin");
  std::error_code ec;
  std::filesystem::create_directories(ToFsPath(bin), ec);
  if (ec || !DirectoryExists(bin))
    throw Error("Cannot create folder \"" + bin + "\". " +
                SystemErrorText(ec ? ec.value() : ENOTDIR));
  const std::string pargenPath = JoinPath(projectDir, "pargen.xml");
  WriteGeneralParameters(pargenPath, documents.general);
  try {
    WriteTable(JoinPath(projectDir, "var.xml"), documents.rows);
  } catch (const Error&) {
    // Half a project would only be refused the next time: take pargen.xml back.
    std::filesystem::remove(ToFsPath(pargenPath), ec);
    throw;
  }
}

std::string EmptyMnemonicsNote(std::size_t rows) {
  if (rows == 0) return "Mnemonics are not in the image (var.xml has no rows).";
  if (rows == 1) return "Mnemonics are not in the image: the 1 row of var.xml has an empty mnemonic.";
  return "Mnemonics are not in the image: the " + std::to_string(rows) +
         " rows of var.xml have empty mnemonics.";
}

}  // namespace fabrion
