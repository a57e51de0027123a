// Times the Set Translate Table dialog on a var.xml of 1400 full rows: the
// opening (reading var.xml into the grid, and the first paint), and OK
// (both checks over all rows and the write of var.xml).
#include <QApplication>
#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "documents/var_document.h"
#include "table/translate_table_checks.h"
#include "editors/translate_table_dialog.h"
#include "editors/translate_table_model.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/paths.h"
#include "project/project_store.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 20;
constexpr double kTargetMs = 100.0;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::vector<fabrion::TMyRec> FullTable() {
  std::vector<fabrion::TMyRec> rows;
  for (int i = 0; i < fabrion::kMaxTranslateRows; ++i) {
    fabrion::TMyRec r;
    r.DataType = static_cast<std::uint8_t>(1 + i % 4);
    r.RtuAddress = static_cast<std::uint16_t>(60000 + i);
    r.DeviceIp = {192, 168, static_cast<std::uint8_t>(i / 250), static_cast<std::uint8_t>(i % 250)};
    r.TcpAddress = static_cast<std::uint16_t>(40001 + i);
    r.PointCount = static_cast<std::uint8_t>(1 + i % 126);
    r.Mnemonic = "Pump station " + std::to_string(i + 1) + " flow & pressure";
    rows.push_back(r);
  }
  return rows;
}

struct Figures {
  std::vector<double> ms;
  void Add(Clock::duration d) { ms.push_back(Milliseconds(d)); }
  double Median() {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
  }
  double Worst() { return *std::max_element(ms.begin(), ms.end()); }
};

bool Report(const char* what, Figures& f, bool judged) {
  const double worst = f.Worst();
  const bool ok = !judged || worst < kTargetMs;
  std::printf("%-46s median %7.2f ms  worst %7.2f ms%s\n", what, f.Median(), worst,
              judged ? (ok ? "  (< 100 ms: ok)" : "  (>= 100 ms: TOO SLOW)") : "");
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  fabrion::test::TempFolder folder;
  fabrion::test::FakePlatform platform;
  fabrion::ProjectStore store;
  store.Fields().ProjectDir = folder.str();
  store.Fields().VarPath = folder / "var.xml";
  const std::vector<fabrion::TMyRec> table = FullTable();
  fabrion::WriteTable(store.Fields().VarPath, table);
  const std::string written = fabrion::test::ReadFileBytes(store.Fields().VarPath);

  fabrion::TFSetVar dialog(store, platform.services());
  Figures formShow, opening, check, ok;
  bool allOk = true;
  for (int run = 0; run < kRuns; ++run) {
    auto start = Clock::now();
    dialog.FormShow();
    formShow.Add(Clock::now() - start);

    start = Clock::now();
    dialog.show();  // runs FormShow again, then the first layout
    QPixmap first = dialog.grab();
    opening.Add(Clock::now() - start);

    std::vector<fabrion::TMyRec> rows;
    const auto* model = dialog.findChild<fabrion::TranslateTableModel*>();
    start = Clock::now();
    const bool valid = !fabrion::ValidateTable(model->Grid(), rows);
    check.Add(Clock::now() - start);

    start = Clock::now();
    const bool closed = dialog.bitbtn1Click();
    ok.Add(Clock::now() - start);

    if (!valid || !closed || rows != table || dialog.isVisible() ||
        fabrion::test::ReadFileBytes(store.Fields().VarPath) != written ||
        !platform.messages.shown.empty()) {
      std::fprintf(stderr, "run %d: the dialog did not load and save the 1400 rows unchanged\n",
                   run);
      return 1;
    }
  }
  std::printf("Set Translate Table, var.xml of %d full rows (%zu bytes), %d runs\n",
              fabrion::kMaxTranslateRows, written.size(), kRuns);
  Report("FormShow (read var.xml, fill the grid)", formShow, false);
  allOk &= Report("opening (show, FormShow, first paint)", opening, true);
  Report("OK's checks alone (both passes)", check, false);
  allOk &= Report("OK (checks, write var.xml, close)", ok, true);
  return allOk ? 0 : 1;
}
