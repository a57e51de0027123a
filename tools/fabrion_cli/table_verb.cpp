// fabrion-cli table: a project's translate table as CSV, and its mapping checks.
#include <new>
#include <optional>
#include <ostream>

#include "documents/general_parameter_checks.h"
#include "documents/mapping_checks.h"
#include "documents/pargen_document.h"
#include "documents/translate_csv.h"
#include "documents/var_document.h"
#include "documents/xml_load.h"
#include "table/translate_table_checks.h"
#include "platform/atomic_file.h"
#include "platform/output_file.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion::cli {
namespace {

constexpr const char* kTableHelp =
    "Usage: fabrion-cli table export PROJECT_DIR [FILE]\n"
    "       fabrion-cli table import PROJECT_DIR FILE\n"
    "       fabrion-cli table check PROJECT_DIR\n"
    "\n"
    "The translate table of a project (PROJECT_DIR/var.xml) as CSV, and its mapping checks.\n"
    "\n"
    "export  writes the table as CSV to FILE, or to stdout without FILE: UTF-8 with a byte\n"
    "        order mark, a header row of the grid's captions, comma-separated, CRLF line ends,\n"
    "        data types by name.\n"
    "import  reads FILE as spreadsheet programs write CSV (comma, semicolon or tab; header\n"
    "        row optional; data types by name or code 1 to 4) and applies the checks of the\n"
    "        Set Translate Table dialog's OK. When every line passes, var.xml is replaced\n"
    "        whole. Otherwise every problem goes to stderr as FILE:LINE: reason, and var.xml\n"
    "        is left as it was.\n"
    "check   prints the mapping warnings of the table on stdout, one per line: RTU ranges of\n"
    "        one data type that overlap, ranges past 65535, rows of no points, devices at\n"
    "        the gateway's own address or outside its network (pargen.xml) while no default\n"
    "        gateway is set; then a time-out or system data offset in pargen.xml that the\n"
    "        device's 16-bit field cuts (\"Timeout (ms) 70000 does not fit the device's 16-bit\n"
    "        field: the device gets 4464\").\n"
    "\n";

constexpr ExitStatus kTableExits[] = {
    {kExitOk, "done (check: no warnings)"},
    {kExitNotWritten, "an output could not be written"},
    kUsageStatus,
    {kExitUnreadable,
         "a missing project folder, or a var.xml, pargen.xml or "
         "FILE that cannot be read or is not well-formed"},
    {kExitImportRefused, "import refused, var.xml unchanged"},
    {kExitTableWarnings, "check found warnings"},
};

// A document read for a command: its failure becomes the message on err.
template <typename Read>
bool ReadOrSay(const std::string& path, std::ostream& err, Read read) {
  try {
    read();
    return true;
  } catch (const Error& e) {
    err << DocumentFailureText(path, e) << '\n';
  }
  return false;
}

// A user-named file goes through WriteOutputFile (devices, FIFOs, links); the
// project's var.xml is always replaced atomically.
template <typename Write>
bool WriteOrSay(std::ostream& err, Write write) {
  try {
    write();
    return true;
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return false;
  }
}

int Export(const std::string& projectDir, const std::optional<std::string>& file,
           std::ostream& out, std::ostream& err) {
  const std::string varPath = JoinPath(projectDir, "var.xml");
  std::vector<RowTexts> rows;
  if (!ReadOrSay(varPath, err, [&] { rows = ReadTable(varPath); })) return kExitUnreadable;
  const std::string csv = WriteTranslateCsv(CellsOfTable(rows));
  if (!file) {
    out << csv;
    return kExitOk;
  }
  return WriteOrSay(err, [&] { WriteOutputFile(*file, csv); }) ? kExitOk : kExitNotWritten;
}

// "Error!! ... 65535. " as a line of its own: without the trailing blank.
std::string_view WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

int Import(const std::string& projectDir, const std::string& file, std::ostream& err) {
  std::string text;
  if (!ReadOrSay(file, err, [&] { text = ReadDocumentBytes(file); })) return kExitUnreadable;
  TranslateCsv csv;
  try {
    csv = ReadTranslateCsv(text);
  } catch (const std::bad_alloc&) {
    err << GeneralErrorText(NotEnoughMemoryText(file)) << '\n';
    return kExitUnreadable;
  }
  const std::vector<CsvRefusal> refusals = ImportRefusals(csv);
  for (const CsvRefusal& refusal : refusals)
    err << file << ':' << refusal.line << ": " << WithoutTrailingBlanks(refusal.reason) << '\n';
  if (!refusals.empty()) return kExitImportRefused;

  TranslateGrid grid;
  PlaceCells(grid, csv.rows);
  std::vector<TMyRec> rows;
  if (auto refusal = ValidateTable(grid, rows)) {  // ImportRefusals has named every refusal
    err << file << ": " << WithoutTrailingBlanks(*refusal) << '\n';
    return kExitImportRefused;
  }
  const std::string varPath = JoinPath(projectDir, "var.xml");
  return WriteOrSay(err, [&] { WriteTable(varPath, rows); }) ? kExitOk : kExitNotWritten;
}

int Check(const std::string& projectDir, std::ostream& out, std::ostream& err) {
  const std::string varPath = JoinPath(projectDir, "var.xml");
  std::vector<RowTexts> texts;
  if (!ReadOrSay(varPath, err, [&] { texts = ReadTable(varPath); })) return kExitUnreadable;

  const std::string parGenPath = JoinPath(projectDir, "pargen.xml");
  std::optional<GatewayNetwork> network;
  if (!FileExists(parGenPath)) {
    err << "No general parameters (\"" << parGenPath
        << "\"): the checks of the devices' network are left out.\n";
  } else {
    GeneralParameters parameters;
    if (!ReadOrSay(parGenPath, err, [&] { parameters = ReadGeneralParameters(parGenPath); }))
      return kExitUnreadable;
    network = GatewayNetworkOf(parameters);
    if (!network)
      err << "The gateway's IP address, subnet mask or default gateway in \"" << parGenPath
          << "\" is not valid: the checks of the devices' network are left out.\n";
  }

  TranslateGrid grid;
  PlaceRows(grid, texts);
  const std::vector<MappingWarning> warnings = CheckMapping(ReadableRows(grid), network);
  for (const MappingWarning& warning : warnings) out << warning.text << '\n';
  const std::vector<std::string> cut = DeviceWordOverflowsIn(parGenPath);
  for (const std::string& line : cut) out << line << '\n';
  return warnings.empty() && cut.empty() ? kExitOk : kExitTableWarnings;
}

int RunTable(const Args& commandLine, std::ostream& out, std::ostream& err) {
  Args args;  // the operands
  if (const auto refused = RefuseOptions(commandLine, err, args)) return *refused;
  if (args.empty()) return Usage(err, "table needs export, import or check");
  const std::string& action = args[0];
  const std::size_t operands = args.size() - 1;
  std::string projectDir = operands > 0 ? WithoutTrailingSeparators(args[1]) : std::string();
  if (action == "export") {
    if (operands < 1 || operands > 2) return Usage(err, "table export needs PROJECT_DIR [FILE]");
  } else if (action == "import") {
    if (operands != 2) return Usage(err, "table import needs PROJECT_DIR FILE");
  } else if (action == "check") {
    if (operands != 1) return Usage(err, "table check needs PROJECT_DIR");
  } else {
    return Usage(err, "table needs export, import or check, not \"" + action + "\"");
  }
  if (projectDir.empty()) return Usage(err, "table " + action + " needs PROJECT_DIR");
  if (!DirectoryExists(projectDir)) {
    err << "Cannot find the project folder \"" << projectDir << "\".\n";
    return kExitUnreadable;
  }

  if (action == "export")
    return Export(projectDir, operands == 2 ? std::optional(args[2]) : std::nullopt, out, err);
  if (action == "import") return Import(projectDir, args[2], err);
  return Check(projectDir, out, err);
}

}  // namespace

const Verb kTableVerb = {
    "table",
    "fabrion-cli table export PROJECT_DIR [FILE]\n"
    "       fabrion-cli table import PROJECT_DIR FILE\n"
    "       fabrion-cli table check PROJECT_DIR",
    "export, import (CSV) and check a project's translate table",
    kTableHelp,
    kTableExits,
    RunTable,
};

}  // namespace fabrion::cli
