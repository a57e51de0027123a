#pragma once
// Merges a bank file into the master S-record firmware file.
#include <string>
#include <string_view>

namespace fabrion {

class MessageBoxes;
class ProgressIndicator;

// result: 1 the bank's records were placed before the last end record (S9),
// 0 that end record came first, -1 no end record or a stop before the merge.
// A merge can run to its end with -1 (a master ending in S8) and stop with
// 0 or 1 (an empty line after the S9); only ranToEnd says a file was made.
struct ComposeOutcome {
  int result = -1;        // -1, 0 or 1 as the composer defines them
  bool ranToEnd = false;  // false when it stopped with a message
};

// Composes bank `bank` (1 to 5) from binDir (with or without its trailing
// separator) into outputDir + outputName (a separator is put between them
// when outputDir lacks one). Stops with a plain message for a missing input
// or a failed merge; throws Error when a file cannot be created or opened.
// The output is written beside its target and renamed over it only when the
// merge ran to its end; the bank records file Bin.sx is always removed.
ComposeOutcome ComposeFirmware(int bank, std::string_view masterPath, std::string_view binDir,
                               std::string_view outputName, std::string_view outputDir,
                               ProgressIndicator& progress, MessageBoxes& messages);

// The record's checksum: the line with two placeholder characters at its
// end, completed; or the two checksum characters alone when checksumOnly.
std::string SRecordChecksum(std::string_view line, bool checksumOnly);

}  // namespace fabrion
