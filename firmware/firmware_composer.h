#pragma once
// Merges a bank file into the master S-record firmware file.
#include <string>
#include <string_view>

namespace fabrion {

class MessageBoxes;
class ProgressIndicator;

struct ComposeOutcome {
  int result = -1;        // -1, 0 or 1 as the composer defines them
  bool ranToEnd = false;  // false when it stopped with a message
};

// Composes bank `bank` (1 to 5) from binDir (ending with a separator) into
// outputDir + outputName. Stops with a plain message for a missing input;
// throws Error when a file cannot be created or opened. The output appears
// under its name only when the merge ran to its end.
ComposeOutcome ComposeFirmware(int bank, std::string_view masterPath, std::string_view binDir,
                               std::string_view outputName, std::string_view outputDir,
                               ProgressIndicator& progress, MessageBoxes& messages);

// The record's checksum: the line with two placeholder characters at its
// end, completed; or the two checksum characters alone when checksumOnly.
std::string SRecordChecksum(std::string_view line, bool checksumOnly);

}  // namespace fabrion
