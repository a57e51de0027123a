#pragma once
// Merges a bank file into the master S-record firmware file.
#include <string>
#include <string_view>

#include "platform/error.h"

namespace fabrion {

class ProgressIndicator;

// The master firmware file's name in MASTER, the composed file's prefix, and
// the composed file's name in the project folder.
inline constexpr const char* kMasterFileName = "ravelin.sx";
inline constexpr const char* kOutputPrefix = "New_";
inline constexpr const char* kComposedFirmwareName = "New_ravelin.sx";

// result: 1 the bank's records were placed before the last end record (S9),
// 0 that end record came first, -1 no end record or a stop before the merge.
// A merge can run to its end with -1 (a master ending in S8) and stop with
// 0 or 1 (an empty line after the S9); only ranToEnd says a file was made.
struct ComposeOutcome {
  int result = -1;          // -1, 0 or 1 as the composer defines them
  bool ranToEnd = false;    // false when it stopped with a message
  bool bankPlaced = false;  // the bank's records went in: a master record lay in the window
  std::string message;      // why it stopped, for a plain message box; empty when it ran to its end
  bool inputMissing = false;  // it stopped at once: no master, bin folder or bank file
};

// Thrown by ComposeFirmware when the master or the bank file is there but
// cannot be opened or read (what() names the file); other Errors are files it
// could not create or write.
class UnreadableInput : public Error {
 public:
  using Error::Error;
};

// What a composition that ran to its end without placing the bank's records
// means for the user: the master has no configuration area, and so nothing
// was started (a firmware without a configuration must not be programmed).
std::string NoConfigurationAreaText(int bank);

// Composes bank `bank` (1 to 5) from binDir (with or without its trailing
// separator) into outputDir + outputName (a separator is put between them
// when outputDir lacks one). Stops with outcome.message, for the caller to
// show, at a missing input or a failed merge; throws UnreadableInput when the
// master or the bank file cannot be opened or read (they are read only when
// they are regular files) and Error when a file cannot be created or written.
// The output is written beside its target and renamed over it only when the
// merge ran to its end; the bank records file Bin.sx is created new, after
// whatever was at its name is removed, and is always removed at the end.
//
// The merge never gives the gateway two values for one address and never
// drops a master byte outside the bank's window: a record the merge keeps
// whose bytes in the window are not the bank file's, and a window record
// that reaches past the window's end, stop it with the merge-failure message
// and a line naming the master's line, the record's address and why. Empty
// lines after the master's last non-empty line are passed over.
ComposeOutcome ComposeFirmware(int bank, std::string_view masterPath, std::string_view binDir,
                               std::string_view outputName, std::string_view outputDir,
                               ProgressIndicator& progress);

}  // namespace fabrion
