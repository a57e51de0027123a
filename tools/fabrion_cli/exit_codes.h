#pragma once
// Exit codes of fabrion-cli: one fault gives one code in every command, and
// each command's --help lists its codes from here.
#include <span>
#include <string>

namespace fabrion::cli {

// Faults every command shares.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotWritten = 1;  // a file could not be written
inline constexpr int kExitUsage = 2;       // a wrong command line
inline constexpr int kExitUnreadable = 3;  // an input cannot be read or is malformed

// Outcomes of one command each.
inline constexpr int kExitDiffers = 1;              // diff: the configurations differ
inline constexpr int kExitComposeStopped = 1;       // compose: the merge stopped with its message
inline constexpr int kExitRecoverRefused = 1;       // recover: refused, nothing written
inline constexpr int kExitImageIncomplete = 3;      // image: written as the image stands
inline constexpr int kExitImportRefused = 3;        // table import: var.xml left as it was
inline constexpr int kExitNoConfigurationArea = 4;  // compose: written, but carries no configuration
inline constexpr int kExitTableWarnings = 4;        // table check: warnings printed
inline constexpr int kExitNothingChecked = 4;       // check: no row to check, or every row skipped
inline constexpr int kExitRowsNotOk = 5;            // check: some row is neither ok nor skipped
inline constexpr int kExitInterrupted = 130;        // check: stopped by Ctrl+C, as a shell reports it

// One line of a command's exit status: the code and what it means there.
struct ExitStatus {
  int code;
  const char* meaning;
};

inline constexpr ExitStatus kUsageStatus{kExitUsage, "usage"};
inline constexpr ExitStatus kNotWrittenStatus{kExitNotWritten, "a file could not be written"};

// "Exit status: 0 ...; 3 ...; 2 usage." in the order given, wrapped for a terminal.
std::string ExitStatusText(std::span<const ExitStatus> statuses);

}  // namespace fabrion::cli
