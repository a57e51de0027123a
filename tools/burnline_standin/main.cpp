// The stand-in flash tool, installed as Burnline.exe where the gateway
// maker's tool is not: it reads the call the program makes, checks the
// composed firmware file and shows what it carries. It programs no device.
//   Burnline.exe "FILE"<B6>PORT    show the checks and the configuration in a window
//   Burnline.exe --check FILE      print them; exit 1 when the file fails a check
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "readback/firmware_check.h"
#include "readback/firmware_report.h"
#include "platform/error.h"
#include "standin_window.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: Burnline.exe \"FIRMWARE_FILE\"<byte B6>PORT_INDEX\n"
    "       Burnline.exe --check FIRMWARE_FILE\n"
    "%s: it checks a composed firmware file (every record's checksum,\n"
    "the 512 records of bank 1, an end record) and shows the configuration inside\n"
    "it. It programs no device; the gateway maker's flash tool replaces it.\n"
    "--check prints the report and exits 0 when the file passed every check, 1 when\n"
    "it failed one or cannot be read, 2 for a wrong call.\n";

int Check(const char* path) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // the report's lines end in LF, as on Linux
#endif
  try {
    const fabrion::FirmwareCheck check = fabrion::CheckFirmwareFile(path);
    std::printf("%s\nFirmware file: %s\n\n%s", fabrion::kStandinName, path,
                fabrion::FirmwareReportText(check).c_str());
    return check.Passed() ? 0 : 1;
  } catch (const fabrion::Error& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}

// The parameter string as the program passed it. On Windows the C runtime
// would strip its quotes, so it is taken from the raw command line (UTF-8,
// where the separator arrives as the pilcrow C2 B6); elsewhere it is the one
// argument, rejoined should a shell have split it at blanks.
std::string ParameterString(int argc, char* argv[]) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  const wchar_t* line = GetCommandLineW();
  if (*line == L'"') {
    for (++line; *line && *line != L'"'; ++line) {
    }
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string parameters(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, parameters.data(), size, nullptr, nullptr);
  return parameters;
#else
  std::string parameters;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) parameters += ' ';
    parameters += argv[i];
  }
  return parameters;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf(kUsage, fabrion::kStandinName);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--check") == 0) {
    if (argc != 3) {
      std::fprintf(stderr, kUsage, fabrion::kStandinName);
      return 2;
    }
    return Check(argv[2]);
  }
  const fabrion::StandinReport report = fabrion::MakeStandinReport(ParameterString(argc, argv));

  QApplication application(argc, argv);
  fabrion::StandinWindow window(report);
  window.show();
  return application.exec();
}
