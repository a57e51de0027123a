// fabrion-cli diff: what differs between two configurations.
#include <ostream>

#include "readback/image_diff.h"
#include "platform/error.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion::cli {
namespace {

constexpr const char* kDiffHelp =
    "Usage: fabrion-cli diff A B\n"
    "\n"
    "Compares the configurations A and B, each a project folder, a bank file (bank1.bin)\n"
    "or a composed firmware file, as the gateway gets them: the configuration image apart\n"
    "from its build date and time (a project's is the image its documents build). Prints\n"
    "one line per difference on stdout, A's value before B's:\n"
    "  IP address 192.168.1.10 \xE2\x86\x92 192.168.1.11\n"
    "  Baud rate 9600 \xE2\x86\x92 19200\n"
    "  Row 3 added: Holding Register, RTU address 100, device 192.168.1.20, ...\n"
    "  Row 4: RTU address 100 \xE2\x86\x92 200, points 10 \xE2\x86\x92 12\n"
    "  Row 5, now row 6: ...\n"
    "  Row 9 removed: ...\n"
    "Rows are matched so that a row added or removed in between is named once. Between\n"
    "two projects, rows whose mnemonics differ follow (\"Row 4: mnemonic \"a\" \xE2\x86\x92 \"b\"\");\n"
    "mnemonics are not in the image and do not change the exit status.\n"
    "\n";

constexpr ExitStatus kDiffExits[] = {
    {kExitOk, "the same configuration"},
    {kExitDiffers, "it differs"},
    {kExitUnreadable,
         "an input cannot be read or is malformed (the reason on "
         "stderr)"},
    kUsageStatus,
};

int RunDiff(const Args& commandLine, std::ostream& out, std::ostream& err) {
  Args args;  // the operands
  if (const auto refused = RefuseOptions(commandLine, err, args)) return *refused;
  if (args.size() != 2 || args[0].empty() || args[1].empty()) return Usage(err, "diff needs A B");
  Configuration sides[2];
  for (int k = 0; k < 2; ++k) {
    try {
      sides[k] = ReadConfiguration(WithoutTrailingSeparators(args[k]));
    } catch (const Error& e) {
      err << GeneralErrorText(e.what()) << '\n';
      return kExitUnreadable;
    }
  }
  const Differences differences = CompareConfigurations(sides[0], sides[1]);
  for (const std::string& line : differences.configuration) out << line << '\n';
  for (const std::string& line : differences.mnemonics) out << line << '\n';
  return differences.configuration.empty() ? kExitOk : kExitDiffers;
}

}  // namespace

const Verb kDiffVerb = {
    "diff",
    "fabrion-cli diff A B",
    "compare two configurations (project folders, bank or firmware files)",
    kDiffHelp,
    kDiffExits,
    RunDiff,
};

}  // namespace fabrion::cli
