#include "editors/translate_table_dialog.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "documents/mapping_checks.h"
#include "documents/pargen_document.h"
#include "documents/translate_csv.h"
#include "documents/xml_load.h"
#include "editors/duplicate_rows_dialog.h"
#include "editors/mapping_warnings_window.h"
#include "editors/translate_grid_view.h"
#include "editors/translate_table_model.h"
#include "net/device_check_window.h"
#include "platform/output_file.h"
#include "platform/error.h"
#include "platform/file_chooser.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "project/project_store.h"
#include "table/row_commands.h"
#include "table/translate_table_checks.h"

namespace fabrion {
namespace {

const char* const kCsvFilter = "CSV files (*.csv);;All files (*)";
// A spreadsheet's "Unicode text" (UTF-16, tabs) is a .txt file.
const char* const kImportFilter = "CSV or Unicode text (*.csv *.txt);;All files (*)";
// Refused CSV lines named in the error box itself; all of them in its details.
constexpr std::size_t kRefusalsShown = 12;

const char* const kDiscardQuestion =
    "The translate table has changes that are not saved. Discard them and close?";

// The error box of an import that refused lines: every line with its reason.
void ShowImportRefusals(MessageBoxes& messages, const std::string& path,
                        const std::vector<CsvRefusal>& refusals) {
  std::string all;
  for (const CsvRefusal& refusal : refusals) {
    std::string reason = refusal.reason;
    while (!reason.empty() && reason.back() == ' ') reason.pop_back();
    all += "Line " + std::to_string(refusal.line) + ": " + reason + "\n";
  }
  const std::size_t count = refusals.size();
  std::string text =
      "Nothing was imported from \"" + path +
      "\": " + (count == 1 ? std::string("1 line was") : std::to_string(count) + " lines were") +
      " refused.\n\n";
  if (count <= kRefusalsShown) {
    all.pop_back();
    messages.ShowError(text + all);
    return;
  }
  std::size_t end = 0;
  for (std::size_t i = 0; i < kRefusalsShown; ++i) end = all.find('\n', end) + 1;
  text += all.substr(0, end) + "\u2026 and " + std::to_string(count - kRefusalsShown) +
          " more (the details list every refused line).";
  all.pop_back();
  messages.ShowErrorDetails(text, all);
}

// The cell a warning is about: the address or count it names.
int WarningColumn(MappingWarningKind kind) {
  switch (kind) {
    case MappingWarningKind::kRtuOverlap:
    case MappingWarningKind::kRtuRangePastEnd: return kAddressRtuColumn;
    case MappingWarningKind::kTcpRangePastEnd: return kAddressTcpColumn;
    case MappingWarningKind::kNoPoints:
    case MappingWarningKind::kTooManyRegisters: return kPointCountColumn;
    case MappingWarningKind::kDeviceIsGateway:
    case MappingWarningKind::kDeviceOffNetwork: return kDeviceIpColumn;
    case MappingWarningKind::kBelowTable: return kDataTypeColumn;
  }
  return kDataTypeColumn;
}

}  // namespace

TFSetVar::TFSetVar(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setObjectName("FSetVar");
  setWindowTitle("Set Translate Table");
  BuildWindow();

  connect(bitbtn1, &QPushButton::clicked, this, [this] { bitbtn1Click(); });
  connect(bitbtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(CheckDevicesButton, &QPushButton::clicked, this, &TFSetVar::CheckDevicesClick);
  connect(sga, &TranslateGridView::PasteRefused, this,
          [this](const QString& message) { services_.messages.ShowMessage(message.toStdString()); });

  // Keys of the whole window.
  auto addShortcut = [this](std::initializer_list<QKeySequence> keys, auto run) {
    for (const QKeySequence& key : keys)
      connect(new QShortcut(key, this), &QShortcut::activated, this, run);
  };
  addShortcut({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)},
              [this] { bitbtn1->click(); });
  addShortcut({QKeySequence(Qt::CTRL | Qt::Key_Tab)}, [this] { MoveFocus(true); });
  addShortcut({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
              [this] { MoveFocus(false); });

  duplicateRows = new DuplicateRowsDialog(this);
  duplicateRows->SetCheck(
      [this](int first, int last, const std::string& offset, const std::string& ip) {
        return DuplicateRows(first, last, offset, ip);
      });

  warningsWindow = new MappingWarningsWindow(this);
  connect(warningsWindow, &MappingWarningsWindow::WarningChosen, this, &TFSetVar::GoToWarning);
  connect(this, &QDialog::finished, warningsWindow, &QWidget::hide);
  connect(model_, &TranslateTableModel::WarningsChanged, this, &TFSetVar::ShowWarningCount);
  ShowWarningCount();

  sga->setCurrentIndex(model_->IndexOf(1, kDataTypeColumn));
}

void TFSetVar::showEvent(QShowEvent* event) {
  // A window coming back from the window system is no new showing.
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void TFSetVar::FormShow() {
  sga->CommitEdit();
  std::vector<RowTexts> rows;
  const std::string& path = store_.Fields().VarPath;
  if (FileExists(path)) {
    try {
      rows = ReadTable(path);
    } catch (const Error& error) {
      // The grid comes up empty; the user learns why before an OK would
      // replace the unreadable file with an empty table.
      services_.messages.ShowGeneralError(error.what());
      rows.clear();
    }
  }
  // The checks of the device addresses need the gateway's network; without
  // readable general parameters they are left out, silently.
  std::optional<GatewayNetwork> network;
  const std::string& parGenPath = store_.Fields().ParGenPath;
  if (FileExists(parGenPath)) {
    try {
      network = GatewayNetworkOf(ReadGeneralParameters(parGenPath));
    } catch (const Error&) {
    }
  }
  model_->SetNetwork(network);
  model_->Reload(rows);
  if (!sga->currentIndex().isValid()) sga->setCurrentIndex(model_->IndexOf(1, kDataTypeColumn));
  sga->setFocus();
}

bool TFSetVar::CollectRows() {
  if (std::optional<std::string> refusal = fabrion::CollectRows(model_->Grid(), rows_)) {
    services_.messages.ShowError(*refusal);
    return false;
  }
  return true;
}

void TFSetVar::CheckDevicesClick() {
  if (!RowsToCheck()) return;
  if (!checkDevices) {
    // No program folder (no project restored yet): nothing is remembered.
    const std::string ini = store_.Fields().ProgramDir.empty() ? "" : store_.IniPath();
    checkDevices = new DeviceCheckWindow(services_, ini,
                                         JoinPath(store_.Fields().ProjectDir, "device-check.csv"), this);
    checkDevices->SetRowsSource([this] { return RowsToCheck(); });
    connect(this, &QDialog::finished, checkDevices, &QDialog::reject);
  }
  checkDevices->show();
  checkDevices->raise();
  checkDevices->activateWindow();
}

std::optional<std::vector<TMyRec>> TFSetVar::RowsToCheck() {
  sga->CommitEdit();
  std::vector<TMyRec> rows;
  if (std::optional<std::string> refusal = ValidateTable(model_->Grid(), rows)) {
    services_.messages.ShowError(*refusal);
    return std::nullopt;
  }
  return rows;
}

bool TFSetVar::bitbtn1Click() {
  sga->CommitEdit();
  if (!store_.HasProject()) {
    services_.messages.ShowMessage(std::string(kNoProjectMessage));
    return false;
  }
  // A refused cell becomes the current cell: in 1400 rows nobody should hunt for it.
  if (std::optional<std::string> refusal = CheckDataTypes(model_->Grid())) {
    services_.messages.ShowError(*refusal);
    GoToRefusedCell();
    return false;
  }
  if (!CollectRows()) {
    GoToRefusedCell();
    return false;
  }
  if (const std::optional<RowsBelowTable> below = FindRowsBelowTable(model_->Grid());
      below && !services_.messages.AskYesNo(RowsBelowTableQuestion(*below))) {
    GoToCell(below->emptyRow, kAddressRtuColumn);
    return false;
  }
  try {
    WriteTable(store_.Fields().VarPath, rows_);
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
    return false;
  }
  accept();
  return true;
}

void TFSetVar::GoToCell(int row, int column) {
  const QModelIndex cell = model_->IndexOf(row, column);
  sga->setCurrentIndex(cell);
  sga->scrollTo(cell);
  sga->setFocus();
}

void TFSetVar::GoToRefusedCell() {
  if (const auto cell = FirstRefusedCell(model_->Grid())) GoToCell(cell->first, cell->second);
}

void TFSetVar::keyPressEvent(QKeyEvent* event) {
  if (!event->matches(QKeySequence::Cancel)) {
    QDialog::keyPressEvent(event);
    return;
  }
  // Escape in the find field goes back to the grid; elsewhere it closes the
  // dialog, asking first when typed changes would be lost.
  if (E_Find->hasFocus()) {
    sga->setFocus();
    return;
  }
  if (model_->IsModified() && !services_.messages.AskYesNo(kDiscardQuestion)) {
    sga->setFocus();
    return;
  }
  reject();
}

void TFSetVar::MoveFocus(bool forward) {
  QWidget* focus = QApplication::focusWidget();
  const bool inGrid = focus && (focus == sga || sga->isAncestorOf(focus));
  if (inGrid) sga->CommitEdit();
  const int count = static_cast<int>(focusRing_.size());
  int at = 0;
  if (!inGrid) {
    const auto found = std::find(focusRing_.begin(), focusRing_.end(), focus);
    at = found == focusRing_.end() ? 0 : static_cast<int>(found - focusRing_.begin());
  }
  for (int step = 1; step < count; ++step) {
    QWidget* next = focusRing_[static_cast<std::size_t>(
        ((at + (forward ? step : -step)) % count + count) % count)];
    if (next->isVisible() && next->isEnabled()) {
      next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}

void TFSetVar::InsertRowsClick() {
  sga->CommitEdit();
  const std::optional<GridArea> area = sga->SelectedArea();
  if (!area) return;
  const int count = area->bottom - area->top + 1;
  if (!model_->InsertRows(area->top, count)) services_.messages.ShowMessage(InsertRefusal(count));
}

void TFSetVar::DeleteRowsClick() {
  sga->CommitEdit();
  if (const std::optional<GridArea> area = sga->SelectedArea())
    model_->DeleteRows(area->top, area->bottom - area->top + 1);
}

void TFSetVar::MoveRowsClick(int step) {
  sga->CommitEdit();
  if (const std::optional<GridArea> area = sga->SelectedArea())
    model_->MoveRows(area->top, area->bottom, step);
}

void TFSetVar::MoveRowsDownKey() {
  if (sga->OnOneDataTypeCell())
    sga->OpenDataTypeList();
  else
    MoveRowsClick(1);
}

void TFSetVar::DuplicateRowsClick() {
  sga->CommitEdit();
  const std::optional<GridArea> area = sga->SelectedArea();
  if (!area) return;
  DuplicateProposal proposal;
  if (auto refusal = ProposeDuplicate(model_->Grid(), area->top, area->bottom, proposal)) {
    services_.messages.ShowMessage(*refusal);
    return;
  }
  duplicateRows->Prepare(area->top, area->bottom, proposal.below,
                         QString::number(proposal.offset), QString::fromStdString(proposal.ip));
  duplicateRows->open();
}

bool TFSetVar::DuplicateRows(int first, int last, const std::string& offset,
                             const std::string& ip) {
  std::vector<TranslateCells> copies;
  if (auto refusal = PlanDuplicateRows(model_->Grid(), first, last, offset, ip, copies)) {
    services_.messages.ShowError(*refusal);
    return false;
  }
  model_->WriteRows(model_->LastUsedRow() + 1, copies, "Duplicate Rows");
  return true;
}

void TFSetVar::ImportCsvClick() {
  sga->CommitEdit();
  const std::optional<std::string> path =
      services_.files.ChooseFileToOpen("Import CSV", store_.Fields().ProjectDir, kImportFilter);
  if (!path) return;
  std::string text;
  try {
    text = ReadDocumentBytes(*path);
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
    return;
  }
  const TranslateCsv csv = ReadTranslateCsv(text);
  if (const std::vector<CsvRefusal> refusals = ImportRefusals(csv); !refusals.empty()) {
    ShowImportRefusals(services_.messages, *path, refusals);
    return;
  }
  model_->ReplaceRows(csv.rows, "Import CSV");
}

void TFSetVar::ExportCsvClick() {
  sga->CommitEdit();
  // Proposed: the project's name, in its folder.
  const std::string& folder = store_.Fields().ProjectDir;
  std::string name = FromFsPath(ToFsPath(folder).filename());
  if (name.empty()) name = "var";
  const std::optional<std::string> path =
      services_.files.ChooseFileToSave("Export CSV", JoinPath(folder, name + ".csv"), kCsvFilter);
  if (!path) return;
  const std::vector<TranslateCells> rows = TableCells(model_->Grid());
  try {
    WriteOutputFile(*path, WriteTranslateCsv(rows));
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
    return;
  }
  SayInStatusLine(QString("%1 %2 written to %3")
                      .arg(rows.size())
                      .arg(rows.size() == 1 ? "row" : "rows")
                      .arg(QString::fromStdString(*path)));
}

void TFSetVar::ShowWarningCount() {
  const std::vector<MappingWarning>& warnings = model_->Warnings();
  commands_.warnings->setIconText(WarningCountText(warnings.size()));
  commands_.warnings->setIcon(
      warnings.empty() ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
  commands_.warnings->setEnabled(!warnings.empty() || warningsWindow->isVisible());
  btn_warnings->setMinimumWidth(btn_warnings->sizeHint().width());  // the count is never cut
  if (warningsWindow->isVisible()) warningsWindow->SetWarnings(warnings);
}

void TFSetVar::ShowWarnings() {
  warningsWindow->SetWarnings(model_->Warnings());
  if (!warningsWindow->isVisible()) {
    // Beside the grid, or as far right as the screen allows, rather than
    // over the rows it names.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    const QRect frame = frameGeometry();
    const QSize size = warningsWindow->frameGeometry().size();
    if (screen.isValid())
      warningsWindow->move(
          std::max(screen.left(), std::min(frame.right() + 1, screen.right() + 1 - size.width())),
          std::max(screen.top(), std::min(frame.top(), screen.bottom() + 1 - size.height())));
  }
  warningsWindow->show();
  warningsWindow->raise();
  warningsWindow->activateWindow();
}

void TFSetVar::GoToWarning(const MappingWarning& warning, bool toGrid) {
  sga->CommitEdit();
  sga->GoToCell(warning.row, WarningColumn(warning.kind));
  if (!toGrid) return;
  activateWindow();
  sga->setFocus();
}

void TFSetVar::FindClick() {
  E_Find->setFocus(Qt::ShortcutFocusReason);
  E_Find->selectAll();
}

void TFSetVar::FindNext(bool forward) {
  const QString wanted = E_Find->text();
  if (wanted.isEmpty()) {
    FindClick();
    return;
  }
  sga->CommitEdit();
  constexpr int kCells = kMaxTranslateRows * (kGridColumns - 1);
  const QModelIndex current = sga->currentIndex();
  const int start = current.isValid() ? current.row() * (kGridColumns - 1) + current.column() : -1;
  for (int step = 1; step <= kCells; ++step) {
    const int at = ((start + (forward ? step : -step)) % kCells + kCells) % kCells;
    const int row = at / (kGridColumns - 1) + 1, column = at % (kGridColumns - 1) + 1;
    if (QString::fromStdString(model_->Grid().Cell(row, column))
            .contains(wanted, Qt::CaseInsensitive)) {
      sga->GoToCell(row, column);
      SayInStatusLine(QString());
      return;
    }
  }
  SayInStatusLine("No cell holds \"" + wanted + "\".");
}

void TFSetVar::SayInStatusLine(const QString& text) {
  statusLine->setText(text);
  statusLine->setToolTip(text);
  statusLine->setVisible(!text.isEmpty());
}

}  // namespace fabrion
