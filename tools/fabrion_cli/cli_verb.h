#pragma once
// What every verb of fabrion-cli shares: its entry in the command table, the
// usage error, and the message boxes of a command line.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"
#include "tools/fabrion_cli/fabrion_cli.h"

namespace fabrion::cli {

using Args = std::vector<std::string>;

// One verb: its name, its line of the general usage, its one-line summary,
// its --help text, and the work (args without the verb; results to out,
// messages to err; returns the exit code).
struct Verb {
  const char* name;
  const char* usage;    // "fabrion-cli image PROJECT_DIR [...]"
  const char* summary;  // for the command list of "fabrion-cli --help"
  const char* help;
  int (*run)(const Args& args, std::ostream& out, std::ostream& err);
};

// "fabrion-cli: <problem>" and the general usage on err; returns kCliUsage.
int Usage(std::ostream& err, const std::string& problem);

// For verbs that take no options: the usage error for the first argument
// that looks like one, or nothing when there is none.
std::optional<int> RefuseOptions(const Args& args, std::ostream& err);

// The path without trailing separators (a lone "/" stays).
std::string WithoutTrailingSeparators(std::string path);

// The message boxes of a command line: every text on err, one line each.
class StreamMessages : public MessageBoxes {
 public:
  explicit StreamMessages(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowGeneralError(const std::string& text) override;

 private:
  std::ostream& err_;
};

// The verbs, one source file each.
extern const Verb kImageVerb;
extern const Verb kComposeVerb;
extern const Verb kTableVerb;
extern const Verb kCheckVerb;
extern const Verb kRecoverVerb;
extern const Verb kDiffVerb;
extern const Verb kReportVerb;

}  // namespace fabrion::cli
