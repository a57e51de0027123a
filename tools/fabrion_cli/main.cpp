#include <iostream>
#include <string>
#include <vector>

#include "tools/fabrion_cli/fabrion_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const int code = fabrion::RunFabrionCli(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
