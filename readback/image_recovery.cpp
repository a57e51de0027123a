#include "readback/image_recovery.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "documents/gateway_codes.h"
#include "readback/image_decoding.h"
#include "readback/image_diff.h"
#include "platform/atomic_file.h"
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

namespace {

// Lies in the project folder while recover writes its documents: a recover
// killed halfway leaves it beside what it wrote, so the next recover knows
// those files for its own and writes over them.
constexpr const char* kRecoveringMark = ".fabrion-recovering";

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(ToFsPath(path), ec);
}

// The folders of path that do not exist yet, the deepest first.
std::vector<std::filesystem::path> MissingFolders(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> missing;
  std::error_code ec;
  for (std::filesystem::path at = path; !at.empty() && !std::filesystem::exists(at, ec);
       at = at.parent_path()) {
    missing.push_back(at);
    if (at == at.parent_path()) break;
  }
  return missing;
}

}  // namespace

std::optional<std::string> ExistingDocument(std::string_view projectDir) {
  const std::string pargen = JoinPath(projectDir, "pargen.xml");
  if (Exists(pargen)) return pargen;
  // pargen.xml is written last: without it, a var.xml beside the mark is
  // what an interrupted recover left.
  const std::string var = JoinPath(projectDir, "var.xml");
  if (Exists(var) && !Exists(JoinPath(projectDir, kRecoveringMark))) return var;
  return std::nullopt;
}

void WriteRecoveredDocuments(std::string_view projectDir, const RecoveredDocuments& documents) {
  CheckOutputFolder(projectDir);
  const std::string bin = JoinPath(projectDir, "bin");
  const std::vector<std::filesystem::path> made = MissingFolders(ToFsPath(bin));
  const std::string mark = JoinPath(projectDir, kRecoveringMark);
  const std::string varPath = JoinPath(projectDir, "var.xml");
  // On a failure nothing of this recover stays: its documents, its mark and
  // the folders it made (each removed only when empty).
  bool varWritten = false;
  auto undo = [&] {
    std::error_code ec;
    if (varWritten) std::filesystem::remove(ToFsPath(varPath), ec);
    std::filesystem::remove(ToFsPath(mark), ec);
    for (const auto& folder : made) std::filesystem::remove(folder, ec);
  };
  try {
    std::error_code ec;
    std::filesystem::create_directories(ToFsPath(bin), ec);
    if (ec || !DirectoryExists(bin))
      throw Error("Cannot create folder \"" + bin + "\". " +
                  SystemErrorText(ec ? ec.value() : ENOTDIR));
    // var.xml first and pargen.xml last, each renamed into place whole: a
    // kill leaves no pargen.xml, and the mark tells the next recover so.
    WriteFileAtomically(mark, "");
    WriteTable(varPath, documents.rows);
    varWritten = true;
    WriteGeneralParameters(JoinPath(projectDir, "pargen.xml"), documents.general);
  } catch (const Error&) {
    undo();
    throw;
  }
  std::error_code ec;
  std::filesystem::remove(ToFsPath(mark), ec);
}

std::string EmptyMnemonicsNote(std::size_t rows) {
  if (rows == 0) return "Mnemonics are not in the image (var.xml has no rows).";
  if (rows == 1) return "Mnemonics are not in the image: the 1 row of var.xml has an empty mnemonic.";
  return "Mnemonics are not in the image: the " + std::to_string(rows) +
         " rows of var.xml have empty mnemonics.";
}

}  // namespace fabrion
