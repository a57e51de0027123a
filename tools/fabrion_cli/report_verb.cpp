// fabrion-cli report: the project report as one HTML page.
#include <optional>
#include <ostream>

#include "inspect/project_report.h"
#include "platform/atomic_file.h"
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
    "\n"
    "Exit status: 0 report written; 1 FILE could not be written; 3 the project's documents\n"
    "do not build a complete configuration (the reason on stderr); 2 usage.\n";

int RunReport(const Args& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> projectDir;
  std::optional<std::string> outFile;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out") {
      if (outFile) return Usage(err, "--out given twice");
      if (i + 1 == args.size() || args[i + 1].empty()) return Usage(err, "--out needs FILE");
      outFile = args[++i];
    } else if (args[i].starts_with("--")) {
      return Usage(err, "unknown option \"" + args[i] + "\"");
    } else if (projectDir) {
      return Usage(err, "report takes one PROJECT_DIR");
    } else {
      projectDir = WithoutTrailingSeparators(args[i]);
    }
  }
  if (!projectDir || projectDir->empty()) return Usage(err, "report needs PROJECT_DIR");

  std::string html;
  try {
    SystemClock clock;
    html = ProjectReportHtml(*projectDir, clock.Now());
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kCliIncomplete;
  }
  if (!outFile) {
    out << html;
    return kCliOk;
  }
  try {
    WriteFileAtomically(*outFile, html);
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kCliFailed;
  }
  return kCliOk;
}

}  // namespace

const Verb kReportVerb = {
    "report",
    "fabrion-cli report PROJECT_DIR [--out FILE]",
    "write the project report (HTML for print)",
    kReportHelp,
    RunReport,
};

}  // namespace fabrion::cli
