// Times the translate table workbench on a full table of 1400 rows: the
// import of a 1400-row CSV, the export, the whole mapping check and the
// recheck that follows one edit of the grid; in the dialog's grid, one typed
// cell (its undo step, the recheck and the marks) and the undo of an import.
// Each case runs many times; the median must stay under its target (20 ms,
// 5 ms for an edit).
#include <QApplication>
#include <QUndoStack>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "documents/mapping_checks.h"
#include "documents/translate_csv.h"
#include "documents/var_document.h"
#include "table/translate_table_checks.h"
#include "editors/translate_table_model.h"

namespace {

using namespace fabrion;
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 200;

const GatewayNetwork kNetwork = {{192, 168, 1, 10}, {255, 255, 255, 0}, {0, 0, 0, 0}};

// A full table as engineers keep one: blocks one after another per data
// type, a few devices off the gateway's network, a few blocks that overlap,
// mnemonics with commas, quotes and accents.
std::vector<TMyRec> FullTable() {
  std::vector<TMyRec> rows;
  int next[4] = {0, 0, 0, 0};
  for (int i = 0; i < kMaxTranslateRows; ++i) {
    TMyRec r;
    r.DataType = static_cast<std::uint8_t>(1 + i % 4);
    r.PointCount = static_cast<std::uint8_t>(1 + i % 40);
    int& at = next[i % 4];
    r.RtuAddress = static_cast<std::uint16_t>(i % 97 == 0 ? std::max(at - 3, 0) : at);
    at = r.RtuAddress + r.PointCount;
    r.DeviceIp = {192, 168, static_cast<std::uint8_t>(i % 50 == 0 ? 2 : 1),
                  static_cast<std::uint8_t>(20 + i % 200)};
    r.TcpAddress = static_cast<std::uint16_t>(40001 + (i % 300) * 10);
    r.Mnemonic = "Pump " + std::to_string(i + 1) + ", \"flow\" & pr\xC3\xA9ssure";
    rows.push_back(r);
  }
  return rows;
}

TranslateGrid GridOf(const std::vector<TMyRec>& rows) {
  TranslateGrid grid;
  PlaceRows(grid, ParseTable(TranslateTableXml(rows)));
  return grid;
}

// The export as a spreadsheet program saves it again: semicolons, quotes
// only where that form needs them.
std::string SpreadsheetForm(const std::vector<TranslateCells>& rows) {
  std::string csv = "\xEF\xBB\xBF";
  auto line = [&](const auto& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i)
      csv += (i ? ";" : "") + QuoteCell(cells[i], ';');
    csv += "\r\n";
  };
  line(kTranslateCsvCaptions);
  for (const TranslateCells& row : rows) line(row);
  return csv;
}

struct Case {
  const char* name;
  double targetMs;
  std::function<bool()> run;           // false: the case did not do its work
  std::function<void()> prepare = {};  // before each run, not timed
};

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char* argv[]) {
  // The dialog's cases need a QApplication; the core's cases do not use it.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  const std::vector<TMyRec> table = FullTable();
  TranslateGrid grid = GridOf(table);
  const std::string csv = SpreadsheetForm(TableCells(grid));
  std::size_t warningCount = 0;
  int edits = 0;

  std::vector<Case> cases = {
      {"import of a 1400-row CSV (read, all checks, place)", 20.0,
       [&] {
         const TranslateCsv read = ReadTranslateCsv(csv);
         if (read.rows.size() != table.size() || !ImportRefusals(read).empty()) return false;
         TranslateGrid imported;
         PlaceCells(imported, read.rows);
         return imported.Cell(1400, kMnemonicColumn) == table.back().Mnemonic;
       }},
      {"export of the grid as CSV", 20.0,
       [&] { return WriteTranslateCsv(TableCells(grid)).size() > csv.size() / 2; }},
      {"whole mapping check (readable rows, warnings)", 20.0,
       [&] {
         warningCount = CheckMapping(ReadableRows(grid), kNetwork).size();
         return warningCount > 0;
       }},
      {"one edit's recheck (cell set, readable rows, warnings)", 5.0,
       [&] {
         const std::string rtu = ++edits % 2 ? "12" : std::to_string(table[699].RtuAddress);
         grid.SetCell(700, kAddressRtuColumn, rtu);
         return !CheckMapping(ReadableRows(grid), kNetwork).empty();
       }},
  };

  // The dialog's grid holding the full table, with the gateway's network.
  TranslateTableModel model;
  model.SetNetwork(kNetwork);
  model.Reload(ParseTable(TranslateTableXml(table)));
  const std::vector<TranslateCells> imported = ReadTranslateCsv(csv).rows;
  cases.push_back({"dialog: one typed cell (undo step, recheck, marks)", 5.0, [&] {
                     const QModelIndex cell = model.IndexOf(700, kAddressRtuColumn);
                     const QString rtu =
                         ++edits % 2 ? "12" : QString::number(table[699].RtuAddress);
                     return model.setData(cell, rtu, Qt::EditRole) && !model.Warnings().empty();
                   }});
  cases.push_back({"dialog: undo of an import (grid, recheck, marks)", 20.0,
                   [&] {
                     model.UndoStack()->undo();
                     return !model.Warnings().empty() &&
                            model.Grid().Cell(700, kMnemonicColumn) == table[699].Mnemonic;
                   },
                   [&] {
                     // An import that changes every row: the table's rows in reverse.
                     std::vector<TranslateCells> reversed(imported.rbegin(), imported.rend());
                     model.ReplaceRows(reversed, "Import CSV");
                     model.Warnings();
                   }});

  std::vector<NumberedRow> pathological;
  for (int row = 1; row <= kMaxTranslateRows; ++row) pathological.push_back({row, table[0]});
  cases.push_back({"mapping check, 1400 rows of one block", 20.0, [&] {
                     return CheckMapping(pathological, std::nullopt).size() == 1399;
                   }});

  std::printf("Translate table workbench, %d full rows, CSV of %zu bytes, %d runs a case\n",
              kMaxTranslateRows, csv.size(), kRuns);
  bool allOk = true;
  for (Case& c : cases) {
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
      if (c.prepare) c.prepare();
      const auto start = Clock::now();
      const bool did = c.run();
      ms.push_back(Milliseconds(Clock::now() - start));
      if (!did) {
        std::fprintf(stderr, "%s: run %d did not do its work\n", c.name, run);
        return 1;
      }
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const bool ok = median < c.targetMs;
    allOk &= ok;
    std::printf("%-56s median %7.3f ms  worst %7.3f ms  (target %4.1f ms: %s)\n", c.name, median,
                ms.back(), c.targetMs, ok ? "ok" : "TOO SLOW");
  }
  return allOk ? 0 : 1;
}
