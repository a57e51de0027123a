#pragma once
// fabrion-cli: the image build and the composition without the window.
#include <iosfwd>
#include <string>
#include <vector>

namespace fabrion {

// Exit codes of fabrion-cli.
inline constexpr int kCliOk = 0;
inline constexpr int kCliFailed = 1;      // a file could not be written, or the composer stopped
inline constexpr int kCliUsage = 2;
inline constexpr int kCliIncomplete = 3;  // image written as it stands, reason on err
inline constexpr int kCliNoConfigurationArea = 4;  // composed, but the master has no bank window

// Runs the command line args (without the program name); results go to out,
// messages to err. Returns the exit code.
int RunFabrionCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace fabrion
