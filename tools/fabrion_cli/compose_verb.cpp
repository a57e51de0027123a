// fabrion-cli compose: bank1.bin merged into the master firmware file.
#include <filesystem>
#include <ostream>

#include "firmware/firmware_composer.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/progress_indicator.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion::cli {
namespace {

constexpr const char* kComposeHelp =
    "Usage: fabrion-cli compose MASTER BIN_DIR OUTPUT_FILE\n"
    "\n"
    "Composes bank 1 from BIN_DIR/bank1.bin into the master S-record file MASTER and writes\n"
    "OUTPUT_FILE, as the Generate Firmware dialog does. Prints the composer's result on\n"
    "stdout: 1 the bank was placed before the end record, 0 the end record came first,\n"
    "-1 no end record (or the composition stopped). Messages go to stderr.\n"
    "\n"
    "Exit status: 0 the composition ran to its end; 1 it stopped with a message; 2 usage.\n";

int RunCompose(const Args& args, std::ostream& out, std::ostream& err) {
  for (const auto& arg : args)
    if (arg.starts_with("--")) return Usage(err, "unknown option \"" + arg + "\"");
  if (args.size() != 3) return Usage(err, "compose needs MASTER BIN_DIR OUTPUT_FILE");

  const std::filesystem::path output = ToFsPath(args[2]);
  StreamMessages messages(err);
  HeldProgress progress;
  ComposeOutcome outcome;
  try {
    outcome = ComposeFirmware(1, args[0], args[1], FromFsPath(output.filename()),
                              FromFsPath(output.parent_path()), progress, messages);
  } catch (const Error& e) {
    messages.ShowGeneralError(e.what());
    outcome = {};
  }
  out << outcome.result << '\n';
  return outcome.ranToEnd ? kCliOk : kCliFailed;
}

}  // namespace

const Verb kComposeVerb = {
    "compose",
    "fabrion-cli compose MASTER BIN_DIR OUTPUT_FILE",
    "merge bank1.bin into the master firmware file",
    kComposeHelp,
    RunCompose,
};

}  // namespace fabrion::cli
