// fabrion-cli report: the project report as one HTML page.
#include <optional>
#include <ostream>

#include "readback/project_report.h"
#include "platform/output_file.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion::cli {
namespace {

constexpr const char* kReportHelp =
    "Usage: fabrion-cli report PROJECT_DIR [--out FILE]\n"
    "\n"
    "Writes the project's report to FILE, or to stdout without --out: one self-contained\n"
    "HTML page that prints on A4, with the project's name and the date; the general\n"
    "parameters and every used row of the translate table in words; the mapping warnings;\n"
    "and, when present, bank1.bin's build date and time and SHA-256, whether it still\n"
    "matches the documents, and the composed firmware file's SHA-256.\n"
    "\n";

constexpr ExitStatus kReportExits[] = {
    {kExitOk, "report written"},
    {kExitNotWritten, "FILE could not be written"},
    {kExitUnreadable,
         "the project's documents cannot be read, are malformed or "
         "do not build a complete configuration (the reason on "
         "stderr)"},
    kUsageStatus,
};

int RunReport(const Args& args, std::ostream& out, std::ostream& err) {
  static constexpr ValueOption kOptions[] = {{"--out", "FILE"}};
  std::string projectDir;
  std::vector<std::optional<std::string>> values;
  if (const auto problem = ParseProjectCommand(args, "report", kOptions, projectDir, values))
    return Usage(err, *problem);
  const std::optional<std::string>& outFile = values[0];
  if (outFile && outFile->empty()) return Usage(err, "--out needs FILE");

  std::string html;
  try {
    SystemClock clock;
    html = ProjectReportHtml(projectDir, clock.Now());
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kExitUnreadable;
  }
  if (!outFile) {
    out << html;
    return kExitOk;
  }
  try {
    WriteOutputFile(*outFile, html);
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kExitNotWritten;
  }
  return kExitOk;
}

}  // namespace

const Verb kReportVerb = {
    "report",
    "fabrion-cli report PROJECT_DIR [--out FILE]",
    "write the project report (HTML for print)",
    kReportHelp,
    kReportExits,
    RunReport,
};

}  // namespace fabrion::cli
