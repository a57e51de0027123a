#include "tools/fabrion_cli/fabrion_cli.h"

#include <new>
#include <algorithm>
#include <ostream>

#include "documents/xml_parse_error.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/printable_text.h"
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

// The codes every command gives for the same faults.
constexpr ExitStatus kSharedExits[] = {
    {kExitOk, "done"},
    kNotWrittenStatus,
    {kExitUsage, "usage (no command, an unknown command, a wrong command line)"},
    {kExitUnreadable, "an input cannot be read or is malformed"},
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
      << ExitStatusText(kSharedExits)
      << "Each command's --help lists its codes, its own outcomes among them.\n";
}

bool WantsHelp(const Args& args) {
  for (const auto& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

int Usage(std::ostream& err, const std::string& problem) {
  err << "fabrion-cli: " << problem << '\n';
  return kExitUsage;
}

bool IsOption(const Args& args, std::size_t& i, std::string_view name,
              std::optional<std::string>& value) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  if (arg != name) return false;
  value = i + 1 < args.size() ? std::optional(args[++i]) : std::nullopt;
  return true;
}

std::optional<std::string> ParseProjectCommand(const Args& args, const char* verb,
                                               std::span<const ValueOption> options,
                                               std::string& projectDir,
                                               std::vector<std::optional<std::string>>& values) {
  values.assign(options.size(), std::nullopt);
  std::optional<std::string> project;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (EndsOptions(args, i, optionsEnded)) continue;
    std::size_t k = optionsEnded ? options.size() : 0;
    std::optional<std::string> value;
    while (k < options.size() && !IsOption(args, i, options[k].name, value)) ++k;
    if (k < options.size()) {
      const std::string name = options[k].name;
      if (values[k]) return name + " given twice";
      if (!value) return name + " needs " + options[k].value;
      values[k] = std::move(value);
    } else if (!optionsEnded && args[i].starts_with("--")) {
      return "unknown option \"" + args[i] + "\"";
    } else if (project) {
      return std::string(verb) + " takes one PROJECT_DIR";
    } else {
      project = WithoutTrailingSeparators(args[i]);
    }
  }
  if (!project || project->empty()) return std::string(verb) + " needs PROJECT_DIR";
  projectDir = *project;
  return std::nullopt;
}

std::string DocumentFailureText(const std::string& path, const Error& error) {
  if (dynamic_cast<const DocumentParseError*>(&error))
    return "\"" + path + "\" is not well-formed: " + error.what();
  return GeneralErrorText(error.what());
}

std::string ExitStatusText(std::span<const ExitStatus> statuses) {
  constexpr std::size_t kWidth = 88;
  std::string words = "Exit status:";
  const char* separator = " ";
  for (const ExitStatus& status : statuses) {
    words += separator + std::to_string(status.code) + " " + status.meaning;
    separator = "; ";
  }
  words += ".";
  std::string text;
  std::size_t lineStart = 0;
  std::size_t at = 0;
  while (at < words.size()) {
    std::size_t end = words.find(' ', at);
    if (end == std::string::npos) end = words.size();
    if (text.size() - lineStart + (text.size() > lineStart ? 1 : 0) + (end - at) > kWidth) {
      text += '\n';
      lineStart = text.size();
    } else if (text.size() > lineStart) {
      text += ' ';
    }
    text.append(words, at, end - at);
    at = end + 1;
  }
  return text + "\n";
}

bool EndsOptions(const Args& args, std::size_t i, bool& optionsEnded) {
  if (optionsEnded || args[i] != "--") return false;
  optionsEnded = true;
  return true;
}

std::optional<int> RefuseOptions(const Args& args, std::ostream& err, Args& operands) {
  bool optionsEnded = false;
  operands.clear();
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (EndsOptions(args, i, optionsEnded)) continue;
    if (!optionsEnded && args[i].starts_with("--"))
      return Usage(err, "unknown option \"" + args[i] + "\"");
    operands.push_back(args[i]);
  }
  return std::nullopt;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == kPathSeparator)) path.pop_back();
  return path;
}

}  // namespace cli

namespace {

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    cli::Usage(err, "no command given");
    cli::WriteUsage(err);
    return cli::kExitUsage;
  }
  const std::string& command = args[0];
  const cli::Args rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    cli::WriteGeneralHelp(out);
    out << '\n';
    cli::WriteUsage(out);
    return cli::kExitOk;
  }
  for (const cli::Verb* verb : cli::kVerbs) {
    if (command != verb->name) continue;
    if (cli::WantsHelp(rest)) {
      out << verb->help << ExitStatusText(verb->exits);
      return cli::kExitOk;
    }
    const int code = verb->run(rest, out, err);
    if (code == cli::kExitUsage)
      err << "Usage: " << verb->usage << "\n"
          << "Run \"fabrion-cli " << verb->name << " --help\" for details.\n";
    return code;
  }
  cli::Usage(err, "unknown command \"" + command + "\"");
  cli::WriteUsage(err);
  return cli::kExitUsage;
}

}  // namespace

// Names, mnemonics and lines quoted from files reach the terminal with their
// control characters shown as \xNN, whichever message carries them.
int RunFabrionCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  PrintableStreamBuf outBuf(out.rdbuf());
  PrintableStreamBuf errBuf(err.rdbuf());
  std::ostream printableOut(&outBuf);
  std::ostream printableErr(&errBuf);
  int code = cli::kExitOk;
  try {
    code = RunCommand(args, printableOut, printableErr);
  } catch (const std::bad_alloc&) {
    // The readers name the file they could not hold; this is what is left.
    printableErr << "Not enough memory.\n";
    code = cli::kExitNotWritten;
  }
  printableOut.flush();
  printableErr.flush();
  return code;
}

}  // namespace fabrion
