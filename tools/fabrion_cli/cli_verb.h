#pragma once
// What every verb of fabrion-cli shares: its entry in the command table, the
// usage error.
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/message_boxes.h"  // GeneralErrorText for err
#include "tools/fabrion_cli/exit_codes.h"
#include "tools/fabrion_cli/fabrion_cli.h"

namespace fabrion::cli {

using Args = std::vector<std::string>;

// One verb: its name, its line of the general usage, its one-line summary,
// its --help text and exit codes, and the work (args without the verb;
// results to out, messages to err; returns the exit code). A run that
// returns kExitUsage has said what is wrong; the verb's usage follows it.
struct Verb {
  const char* name;
  const char* usage;    // "fabrion-cli image PROJECT_DIR [...]"
  const char* summary;  // for the command list of "fabrion-cli --help"
  const char* help;     // ends with an empty line; the exit status follows it
  std::span<const ExitStatus> exits;
  int (*run)(const Args& args, std::ostream& out, std::ostream& err);
};

// "fabrion-cli: <problem>" on err; returns kExitUsage.
int Usage(std::ostream& err, const std::string& problem);

// Whether args[i] is the option name ("--port"), given as "--port N" or
// "--port=N". value is then N, taken from the next argument (i moves on to
// it), or nothing when no value follows.
bool IsOption(const Args& args, std::size_t& i, std::string_view name,
              std::optional<std::string>& value);

// An option that takes a value, and the value's name for the usage problem.
struct ValueOption {
  const char* name;   // "--out"
  const char* value;  // "FILE": "--out needs FILE"
};

// The command line of a verb of one PROJECT_DIR and options of one value
// each, given at most once: the usage problem, or nothing. values[k] is then
// options[k]'s value when it was given.
std::optional<std::string> ParseProjectCommand(const Args& args, const char* verb,
                                               std::span<const ValueOption> options,
                                               std::string& projectDir,
                                               std::vector<std::optional<std::string>>& values);

// "<path>" is not well-formed: <reason>, or the error's own text: the one
// wording of a document that cannot be read, for err.
std::string DocumentFailureText(const std::string& path, const Error& error);

// For verbs that take no options: the usage error for the first argument
// before "--" that looks like one, or nothing when there is none; operands
// are then the arguments without the first "--" (which ends the options in
// every verb, so a folder named "--out" can be given).
std::optional<int> RefuseOptions(const Args& args, std::ostream& err, Args& operands);

// Whether args[i] is the "--" that ends the options: the first one, met
// while options are still read (optionsEnded turns true).
bool EndsOptions(const Args& args, std::size_t i, bool& optionsEnded);

// The path without trailing separators (a lone "/" stays).
std::string WithoutTrailingSeparators(std::string path);

// The verbs, one source file each.
extern const Verb kImageVerb;
extern const Verb kComposeVerb;
extern const Verb kTableVerb;
extern const Verb kCheckVerb;
extern const Verb kRecoverVerb;
extern const Verb kDiffVerb;
extern const Verb kReportVerb;

}  // namespace fabrion::cli
