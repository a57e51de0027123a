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
    "\n";

constexpr ExitStatus kImageExits[] = {
    {kExitOk, "complete image"},
    {kExitImageIncomplete,
         "image incomplete, a document unreadable or malformed among "
         "the reasons (the reason on stderr, the files written as "
         "the image stands)"},
    kNotWrittenStatus,
    kUsageStatus,
};

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
  static constexpr ValueOption kOptions[] = {{"--time", "YYYY-MM-DDTHH:MM:SS"}};
  std::string projectDir;
  std::vector<std::optional<std::string>> values;
  if (const auto problem = ParseProjectCommand(args, "image", kOptions, projectDir, values))
    return Usage(err, *problem);
  std::optional<LocalDateTime> at;
  if (values[0]) {
    at = ParseTime(*values[0]);
    if (!at) return Usage(err, "--time needs YYYY-MM-DDTHH:MM:SS, not \"" + *values[0] + "\"");
  }

  SystemClock systemClock;
  FixedClock fixedClock(at.value_or(LocalDateTime{}));
  Clock& clock = at ? static_cast<Clock&>(fixedClock) : systemClock;

  ConfigImage image{};
  const BuildOutcome outcome = BuildConfigImage(projectDir, clock, image);
  try {
    WriteBankBinary(projectDir, image);
    WriteBankSource(projectDir, image);
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kExitNotWritten;
  }
  if (!outcome.complete) {
    err << GeneralErrorText(outcome.reason) << '\n';
    return kExitImageIncomplete;
  }
  for (const std::string& line : DeviceWordOverflowsIn(JoinPath(projectDir, "pargen.xml")))
    err << "Warning: " << line << ".\n";
  return kExitOk;
}

}  // namespace

const Verb kImageVerb = {
    "image",
    "fabrion-cli image PROJECT_DIR [--time YYYY-MM-DDTHH:MM:SS]",
    "build bank1.bin and bankg.c from a project's documents",
    kImageHelp,
    kImageExits,
    RunImage,
};

}  // namespace fabrion::cli
