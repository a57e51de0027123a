#include "tools/fabrion_cli/fabrion_cli.h"

#include <algorithm>
#include <ostream>

#include "platform/paths.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion {
namespace cli {
namespace {

// The command table: a new verb adds its line here.
const Verb* const kVerbs[] = {
    &kImageVerb,
    &kComposeVerb,
    &kTableVerb,
    &kCheckVerb,
    &kRecoverVerb,
    &kDiffVerb,
    &kReportVerb,
};

void WriteUsage(std::ostream& stream) {
  const char* lead = "Usage: ";
  for (const Verb* verb : kVerbs) {
    stream << lead << verb->usage << '\n';
    lead = "       ";
  }
  stream << lead << "fabrion-cli [COMMAND] --help\n";
}

void WriteGeneralHelp(std::ostream& out) {
  out << "fabrion-cli: builds the gateway's configuration image and composes its firmware;\n"
         "recovers, compares and reports a configuration.\n"
         "\n"
         "Commands:\n";
  for (const Verb* verb : kVerbs) {
    std::string name = verb->name;
    name.resize(std::max<std::size_t>(name.size() + 2, 9), ' ');
    out << "  " << name << verb->summary << '\n';
  }
  out << "\nRun \"fabrion-cli COMMAND --help\" for a command's details.\n"
         "\n"
         "Exit status: 2 usage (no command, an unknown command, a wrong command line); the\n"
         "other codes are each command's own, listed in its --help.\n";
}

bool WantsHelp(const Args& args) {
  for (const auto& arg : args)
    if (arg == "--help" || arg == "-h") return true;
  return false;
}

}  // namespace

int Usage(std::ostream& err, const std::string& problem) {
  err << "fabrion-cli: " << problem << '\n';
  WriteUsage(err);
  return kCliUsage;
}

std::optional<int> RefuseOptions(const Args& args, std::ostream& err) {
  for (const auto& arg : args)
    if (arg.starts_with("--")) return Usage(err, "unknown option \"" + arg + "\"");
  return std::nullopt;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == kPathSeparator)) path.pop_back();
  return path;
}

void StreamMessages::ShowMessage(const std::string& text) { err_ << text << '\n'; }
void StreamMessages::ShowError(const std::string& text) { err_ << text << '\n'; }
void StreamMessages::ShowGeneralError(const std::string& text) {
  err_ << GeneralErrorText(text) << '\n';
}

}  // namespace cli

int RunFabrionCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return cli::Usage(err, "no command given");
  const std::string& command = args[0];
  const cli::Args rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    cli::WriteGeneralHelp(out);
    out << '\n';
    cli::WriteUsage(out);
    return kCliOk;
  }
  for (const cli::Verb* verb : cli::kVerbs) {
    if (command != verb->name) continue;
    if (cli::WantsHelp(rest)) {
      out << verb->help;
      return kCliOk;
    }
    return verb->run(rest, out, err);
  }
  return cli::Usage(err, "unknown command \"" + command + "\"");
}

}  // namespace fabrion
