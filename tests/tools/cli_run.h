#pragma once
// One fabrion-cli command line run in the test's process.
#include <sstream>
#include <string>
#include <vector>

#include "tools/fabrion_cli/fabrion_cli.h"

namespace fabrion::test {

struct CliRun {
  int code;
  std::string out, err;
};

inline CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunFabrionCli(args, out, err);
  return {code, out.str(), err.str()};
}

}  // namespace fabrion::test
