// The stand-in flash tool, installed as Burnline.exe where the gateway
// maker's tool is not: it reads the call the program makes, checks the
// composed firmware file and shows what it carries. It programs no device.
//   Burnline.exe "FILE"<B6>PORT    show the checks and the configuration in a window
//   Burnline.exe --check FILE      print them; exit 1 when the file fails a check
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "firmware/firmware_check.h"
#include "firmware/firmware_report.h"
#include "platform/error.h"
#include "standin_window.h"

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
  // The program passes one parameter string; a shell that split it at blanks
  // is undone by joining the pieces again.
  std::string parameters;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) parameters += ' ';
    parameters += argv[i];
  }
  const fabrion::StandinReport report = fabrion::MakeStandinReport(parameters);

  QApplication application(argc, argv);
  fabrion::StandinWindow window(report);
  window.show();
  return application.exec();
}
