#pragma once
// fabrion-cli: the image build and the composition without the window.
#include <iosfwd>
#include <string>
#include <vector>

namespace fabrion {

// Runs the command line args (without the program name); results go to out,
// messages to err. Returns the exit code (tools/fabrion_cli/exit_codes.h).
int RunFabrionCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace fabrion
