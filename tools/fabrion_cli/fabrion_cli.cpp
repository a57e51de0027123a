#include "tools/fabrion_cli/fabrion_cli.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "firmware/bank_source.h"
#include "firmware/config_image.h"
#include "firmware/firmware_composer.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/progress_indicator.h"

namespace fabrion {
namespace {

constexpr const char* kUsage =
    "Usage: fabrion-cli image PROJECT_DIR [--time YYYY-MM-DDTHH:MM:SS]\n"
    "       fabrion-cli compose MASTER BIN_DIR OUTPUT_FILE\n"
    "       fabrion-cli [COMMAND] --help\n";

constexpr const char* kImageHelp =
    "Usage: fabrion-cli image PROJECT_DIR [--time YYYY-MM-DDTHH:MM:SS]\n"
    "\n"
    "Builds the configuration image from PROJECT_DIR/pargen.xml and PROJECT_DIR/var.xml\n"
    "and writes PROJECT_DIR/bin/bank1.bin and PROJECT_DIR/bin/bankg.c, as \"Up date Device\"\n"
    "does. --time fixes the build date and time stored in the image (default: the local\n"
    "clock), for reproducible builds.\n"
    "\n"
    "Exit status: 0 complete image; 3 image incomplete (the reason on stderr, the files\n"
    "written as the image stands); 1 a file could not be written; 2 usage.\n";

constexpr const char* kComposeHelp =
    "Usage: fabrion-cli compose MASTER BIN_DIR OUTPUT_FILE\n"
    "\n"
    "Composes bank 1 from BIN_DIR/bank1.bin into the master S-record file MASTER and writes\n"
    "OUTPUT_FILE, as the Generate Firmware dialog does. Prints the composer's result on\n"
    "stdout: 1 the bank was placed before the end record, 0 the end record came first,\n"
    "-1 no end record (or the composition stopped). Messages go to stderr.\n"
    "\n"
    "Exit status: 0 the composition ran to its end; 1 it stopped with a message; 2 usage.\n";

constexpr const char* kGeneralHelp =
    "fabrion-cli: builds the gateway's configuration image and composes its firmware.\n"
    "\n"
    "Commands:\n"
    "  image    build bank1.bin and bankg.c from a project's documents\n"
    "  compose  merge bank1.bin into the master firmware file\n"
    "\n"
    "Run \"fabrion-cli COMMAND --help\" for a command's details.\n";

// The message boxes of a command line: every text on err, one line each.
class StreamMessages : public MessageBoxes {
 public:
  explicit StreamMessages(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& text) override { err_ << text << '\n'; }
  void ShowError(const std::string& text) override { err_ << text << '\n'; }
  void ShowGeneralError(const std::string& text) override { err_ << GeneralErrorText(text) << '\n'; }

 private:
  std::ostream& err_;
};

// A clock that always tells the --time it was given.
class FixedClock : public SystemClock {
 public:
  explicit FixedClock(LocalDateTime at) : at_(at) {}
  LocalDateTime Now() override { return at_; }

 private:
  LocalDateTime at_;
};

int Usage(std::ostream& err, const std::string& problem) {
  err << "fabrion-cli: " << problem << '\n' << kUsage;
  return kCliUsage;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// YYYY-MM-DDTHH:MM:SS as a valid local date and time, or nothing.
std::optional<LocalDateTime> ParseTime(const std::string& text) {
  constexpr std::string_view kForm = "dddd-dd-ddTdd:dd:dd";
  if (text.size() != kForm.size()) return std::nullopt;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return std::nullopt;
  }
  auto number = [&](std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  LocalDateTime t{number(0, 4), number(5, 2), number(8, 2),
                  number(11, 2), number(14, 2), number(17, 2)};
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.month < 1 || t.month > 12 || t.hour > 23 || t.minute > 59 || t.second > 59)
    return std::nullopt;
  const int days = kDays[t.month - 1] + (t.month == 2 && IsLeapYear(t.year) ? 1 : 0);
  if (t.day < 1 || t.day > days) return std::nullopt;
  return t;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == kPathSeparator)) path.pop_back();
  return path;
}

int RunImage(const std::vector<std::string>& args, std::ostream& err) {
  std::optional<std::string> projectDir;
  std::optional<LocalDateTime> at;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--time") {
      if (at) return Usage(err, "--time given twice");
      if (i + 1 == args.size()) return Usage(err, "--time needs YYYY-MM-DDTHH:MM:SS");
      at = ParseTime(args[++i]);
      if (!at) return Usage(err, "--time needs YYYY-MM-DDTHH:MM:SS, not \"" + args[i] + "\"");
    } else if (args[i].starts_with("--")) {
      return Usage(err, "unknown option \"" + args[i] + "\"");
    } else if (projectDir) {
      return Usage(err, "image takes one PROJECT_DIR");
    } else {
      projectDir = WithoutTrailingSeparators(args[i]);
    }
  }
  if (!projectDir || projectDir->empty()) return Usage(err, "image needs PROJECT_DIR");

  SystemClock systemClock;
  FixedClock fixedClock(at.value_or(LocalDateTime{}));
  Clock& clock = at ? static_cast<Clock&>(fixedClock) : systemClock;

  ConfigImage image{};
  const BuildOutcome outcome = BuildConfigImage(*projectDir, clock, image);
  try {
    WriteBankBinary(*projectDir, image);
    WriteBankSource(*projectDir, image);
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kCliFailed;
  }
  if (!outcome.complete) {
    err << GeneralErrorText(outcome.reason) << '\n';
    return kCliIncomplete;
  }
  return kCliOk;
}

int RunCompose(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& arg : args)
    if (arg == "--help" || arg == "-h") return true;
  return false;
}

}  // namespace

int RunFabrionCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err, "no command given");
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    out << kGeneralHelp << '\n' << kUsage;
    return kCliOk;
  }
  if (command == "image") {
    if (WantsHelp(rest)) {
      out << kImageHelp;
      return kCliOk;
    }
    return RunImage(rest, err);
  }
  if (command == "compose") {
    if (WantsHelp(rest)) {
      out << kComposeHelp;
      return kCliOk;
    }
    return RunCompose(rest, out, err);
  }
  return Usage(err, "unknown command \"" + command + "\"");
}

}  // namespace fabrion
