// fabrion-cli image: bank1.bin and bankg.c from a project's documents.
#include <optional>
#include <ostream>

#include "documents/general_parameter_checks.h"
#include "firmware/bank_source.h"
#include "platform/paths.h"
#include "firmware/config_image.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion::cli {
namespace {

constexpr const char* kImageHelp =
    "Usage: fabrion-cli image PROJECT_DIR [--time YYYY-MM-DDTHH:MM:SS]\n"
    "\n"
    "Builds the configuration image from PROJECT_DIR/pargen.xml and PROJECT_DIR/var.xml\n"
    "and writes PROJECT_DIR/bin/bank1.bin and PROJECT_DIR/bin/bankg.c, as \"Up date Device\"\n"
    "does. --time fixes the build date and time stored in the image (default: the local\n"
    "clock), for reproducible builds. A time-out or offset the device's 16-bit field cuts\n"
    "is built as the gateway gets it, with a warning on stderr (\"Warning: Timeout (ms)\n"
    "70000 does not fit the device's 16-bit field: the device gets 4464.\").\n"
    "\n"
    "Exit status: 0 complete image; 3 image incomplete (the reason on stderr, the files\n"
    "written as the image stands); 1 a file could not be written; 2 usage.\n";

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

int RunImage(const Args& args, std::ostream&, std::ostream& err) {
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
  for (const std::string& line : DeviceWordOverflowsIn(JoinPath(*projectDir, "pargen.xml")))
    err << "Warning: " << line << ".\n";
  return kCliOk;
}

}  // namespace

const Verb kImageVerb = {
    "image",
    "fabrion-cli image PROJECT_DIR [--time YYYY-MM-DDTHH:MM:SS]",
    "build bank1.bin and bankg.c from a project's documents",
    kImageHelp,
    RunImage,
};

}  // namespace fabrion::cli
