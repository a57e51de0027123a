#include <filesystem>
#include <iostream>
#include <string>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "platform/paths.h"
#include "tools/fabrion_cli/fabrion_cli.h"

#ifdef _WIN32
// The arguments in UTF-8, as the core takes paths, whatever the code page.
// Results go to stdout byte for byte (a CSV keeps its CRLF, not CR CR LF).
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(fabrion::FromFsPath(std::filesystem::path(argv[i])));
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  const int code = fabrion::RunFabrionCli(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
