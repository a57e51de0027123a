// fabrion-cli compose: bank1.bin merged into the master firmware file.
#include <cctype>
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
    "-1 no end record (or the composition stopped). Messages go to stderr. OUTPUT_FILE\n"
    "may not be BIN_DIR/Bin.sx, the scratch file every composition removes.\n"
    "\n";

constexpr ExitStatus kComposeExits[] = {
    {kExitOk, "the composition ran to its end"},
    {kExitComposeStopped,
         "it stopped with a message (the merge failed, or a file could not be "
         "created or written)"},
    {kExitUnreadable, "MASTER, BIN_DIR or BIN_DIR/bank1.bin is missing or cannot be read"},
    kUsageStatus,
    {kExitNoConfigurationArea,
         "OUTPUT_FILE was written, but MASTER has no configuration area (no "
         "record in 0x388000 to 0x38BFFF), so it carries none: do not program "
         "it"},
};

// True when output names the bank records file Bin.sx of binDir, which the
// composition creates and removes: the composed file would be gone at its end.
bool IsScratchFile(const std::filesystem::path& output, const std::string& binDir) {
  std::string name = FromFsPath(output.filename());
#if defined(_WIN32) || defined(__APPLE__)  // their file names ignore case
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name != "bin.sx") return false;
#else
  if (name != "Bin.sx") return false;
#endif
  std::error_code ec;
  const auto folder = std::filesystem::weakly_canonical(
      std::filesystem::absolute(output.parent_path().empty() ? "." : output.parent_path()), ec);
  const auto bin = std::filesystem::weakly_canonical(std::filesystem::absolute(ToFsPath(binDir)), ec);
  return !ec && folder == bin;
}

int RunCompose(const Args& commandLine, std::ostream& out, std::ostream& err) {
  Args args;  // the operands
  if (const auto refused = RefuseOptions(commandLine, err, args)) return *refused;
  if (args.size() != 3) return Usage(err, "compose needs MASTER BIN_DIR OUTPUT_FILE");

  const std::filesystem::path output = ToFsPath(args[2]);
  if (IsScratchFile(output, args[1]))
    return Usage(err, "OUTPUT_FILE \"" + args[2] +
                          "\" is BIN_DIR's scratch file Bin.sx, which the composition removes");
  HeldProgress progress;
  ComposeOutcome outcome;
  bool unreadable = false;
  try {
    outcome = ComposeFirmware(1, args[0], args[1], FromFsPath(output.filename()),
                              FromFsPath(output.parent_path()), progress);
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    unreadable = dynamic_cast<const UnreadableInput*>(&e) != nullptr;
    outcome = {};
  }
  if (!outcome.message.empty()) err << outcome.message << '\n';
  out << (outcome.ranToEnd ? outcome.result : -1) << '\n';
  if (outcome.inputMissing || unreadable) return kExitUnreadable;
  if (!outcome.ranToEnd) return kExitComposeStopped;
  if (!outcome.bankPlaced) {
    err << NoConfigurationAreaText(1) << '\n';
    return kExitNoConfigurationArea;
  }
  return kExitOk;
}

}  // namespace

const Verb kComposeVerb = {
    "compose",
    "fabrion-cli compose MASTER BIN_DIR OUTPUT_FILE",
    "merge bank1.bin into the master firmware file",
    kComposeHelp,
    kComposeExits,
    RunCompose,
};

}  // namespace fabrion::cli
