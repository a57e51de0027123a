#include "editors/translate_table_dialog.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>

#include "documents/integer_rule.h"
#include "documents/ip_address.h"
#include "documents/mapping_checks.h"
#include "documents/pargen_document.h"
#include "documents/translate_csv.h"
#include "documents/xml_load.h"
#include "editors/data_type_delegate.h"
#include "editors/duplicate_rows_dialog.h"
#include "editors/mapping_warnings_window.h"
#include "editors/translate_grid_view.h"
#include "table/translate_table_checks.h"
#include "editors/translate_table_model.h"
#include "net/device_check_window.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_chooser.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/qt/look.h"
#include "project/project_store.h"

namespace fabrion {
namespace {

constexpr int kWindowWidth = 618;
constexpr int kGridAndBarHeight = 549;  // the window without the command row
constexpr int kCommandRowHeight = 28;
constexpr int kBarHeight = 41;
constexpr int kButtonWidth = 69;
constexpr int kButtonHeight = 23;
constexpr int kOkLeft = 12;
constexpr int kCancelLeft = 92;
constexpr int kCheckDevicesLeft = 172;
constexpr int kCheckDevicesWidth = 118;
constexpr int kRowHeight = 20;
// Initial widths of columns 0 (the row numbers) to 6.
constexpr int kColumnWidths[kGridColumns] = {64, 101, 72, 111, 79, 64, 64};

const char* const kGridStyle =
    "QTableView { background-color: rgb(248, 247, 237); gridline-color: rgb(160, 160, 160); }"
    "QHeaderView { background-color: rgb(248, 247, 237); }"
    "QHeaderView::section, QTableCornerButton::section {"
    " background-color: rgb(248, 247, 237); color: black; padding-left: 2px;"
    " border: none; border-right: 1px solid rgb(160, 160, 160);"
    " border-bottom: 1px solid rgb(160, 160, 160); }";

// The small command buttons: flat like the program's buttons, a size smaller.
const char* const kSmallButtonStyle =
    "QToolButton { border: 1px solid rgb(200, 198, 184); border-radius: 2px;"
    " background: rgb(248, 247, 237); padding: 0px 3px; }"
    "QToolButton:hover { background: rgb(222, 234, 246); border-color: rgb(120, 160, 200); }"
    "QToolButton:pressed { background: rgb(196, 216, 238); }"
    "QToolButton:focus { border-color: rgb(90, 130, 180); }"
    "QToolButton:disabled { color: rgb(160, 160, 150); border-color: rgb(220, 218, 206); }";

const char* const kCsvFilter = "CSV files (*.csv);;All files (*)";
// Refused CSV lines named in the error box itself; all of them in its details.
constexpr std::size_t kRefusalsShown = 12;

const char* const kDiscardQuestion =
    "The translate table has changes that are not saved. Discard them and close?";

void PaintBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, qt::BackgroundColour());
  palette.setColor(QPalette::Base, qt::BackgroundColour());
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QString KeyText(const QKeySequence& key) { return key.toString(QKeySequence::NativeText); }

std::string RowsText(int first, int last) {
  return first == last ? "row " + std::to_string(first)
                       : "rows " + std::to_string(first) + " to " + std::to_string(last);
}

std::string InsertRefusal(int count) {
  const int first = kMaxTranslateRows - count + 1;
  return std::string(count == 1 ? "Cannot insert a row"
                                : "Cannot insert " + std::to_string(count) + " rows") +
         ": the table always holds " + std::to_string(kMaxTranslateRows) + " rows, and " +
         RowsText(first, kMaxTranslateRows) + " at its end " + (count == 1 ? "is" : "are") +
         " not empty. Delete rows at the end first.";
}

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
    case MappingWarningKind::kNoPoints: return kPointCountColumn;
    case MappingWarningKind::kDeviceIsGateway:
    case MappingWarningKind::kDeviceOffNetwork: return kDeviceIpColumn;
  }
  return kDataTypeColumn;
}

}  // namespace

TFSetVar::TFSetVar(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setObjectName("FSetVar");
  setWindowTitle("Set Translate Table");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  // The grid and the bar keep their size; the command row makes the window taller.
  resize(kWindowWidth, kGridAndBarHeight + kCommandRowHeight);

  model_ = new TranslateTableModel(this);
  sga = new TranslateGridView(this);
  sga->setObjectName("sga");
  sga->setTranslateModel(model_);
  PaintBackground(sga);
  sga->setFont(qt::ProgramFont());
  sga->setStyleSheet(kGridStyle);
  dataTypeDelegate_ = new DataTypeDelegate(sga);
  sga->setItemDelegateForColumn(kDataTypeColumn - 1, dataTypeDelegate_);

  QHeaderView* rows = sga->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(kRowHeight);
  rows->setDefaultSectionSize(kRowHeight);
  rows->setFixedWidth(kColumnWidths[kNumberColumn]);
  rows->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  rows->setHighlightSections(false);

  QHeaderView* columns = sga->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(true);  // Mnemonic takes the width the others leave
  columns->setSectionsMovable(false);
  columns->setFixedHeight(kRowHeight);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setHighlightSections(false);
  for (int column = kDataTypeColumn; column < kGridColumns; ++column)
    sga->setColumnWidth(column - 1, kColumnWidths[column]);

  BuildCommands();
  BuildCommandRow();
  BuildBar();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(sga, 1);
  layout->addWidget(CommandRow, 0);
  // Under the find field, only while it has something to say.
  statusLine = new QLabel(this);
  statusLine->setObjectName("statusLine");
  statusLine->setTextFormat(Qt::PlainText);
  statusLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  statusLine->setContentsMargins(kOkLeft, 0, 8, 0);
  PaintBackground(statusLine);
  statusLine->hide();
  layout->addWidget(statusLine, 0);
  layout->addWidget(Panel1, 0);

  connect(bitbtn1, &QPushButton::clicked, this, [this] { bitbtn1Click(); });
  connect(bitbtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(CheckDevicesButton, &QPushButton::clicked, this, &TFSetVar::CheckDevicesClick);

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
  duplicateRows->SetCheck([this](const std::string& offset, const std::string& ip) {
    return DuplicateRows(offset, ip);
  });

  warningsWindow = new MappingWarningsWindow(this);
  connect(warningsWindow, &MappingWarningsWindow::WarningChosen, this, &TFSetVar::GoToWarning);
  connect(this, &QDialog::finished, warningsWindow, &QWidget::hide);
  connect(model_, &TranslateTableModel::WarningsChanged, this, &TFSetVar::ShowWarningCount);
  ShowWarningCount();

  sga->setCurrentIndex(model_->IndexOf(1, kDataTypeColumn));
}

void TFSetVar::BuildCommands() {
  Commands& c = commands_;
  // An action of the grid's menu: shown with its first key (or keyText),
  // active while the focus is in the grid (or anywhere in the window).
  auto add = [this](const QString& caption, QList<QKeySequence> keys, auto run,
                    bool windowWide = false, const QString& keyText = QString()) {
    auto* action = new QAction(keyText.isEmpty() ? caption : caption + '\t' + keyText, this);
    action->setShortcuts(keys);
    action->setShortcutContext(windowWide ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
    action->setIconText(caption);
    action->setToolTip(keys.isEmpty() ? caption
                                      : caption + " (" +
                                            (keyText.isEmpty() ? KeyText(keys[0]) : keyText) + ")");
    connect(action, &QAction::triggered, this, run);
    sga->addAction(action);
    return action;
  };
  auto separator = [this] {
    auto* line = new QAction(this);
    line->setSeparator(true);
    sga->addAction(line);
  };

  QUndoStack* history = model_->UndoStack();
  c.undo = add(
      "Undo", {QKeySequence::Undo},
      [this] {
        sga->CommitEdit();
        model_->UndoStack()->undo();
      },
      true);
  c.redo = add(
      "Redo", {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
      [this] {
        sga->CommitEdit();
        model_->UndoStack()->redo();
      },
      true);
  // The menu says what Undo and Redo would undo or redo ("Undo Paste").
  auto follow = [](QAction* action, const QString& verb) {
    return [action, verb](const QString& step) {
      const QString key = action->text().section('\t', 1);
      action->setText((step.isEmpty() ? verb : verb + ' ' + step) +
                      (key.isEmpty() ? "" : '\t' + key));
      action->setToolTip(action->text().section('\t', 0, 0) + " (" + key + ")");
    };
  };
  connect(history, &QUndoStack::undoTextChanged, this, follow(c.undo, "Undo"));
  connect(history, &QUndoStack::redoTextChanged, this, follow(c.redo, "Redo"));
  connect(history, &QUndoStack::canUndoChanged, c.undo, &QAction::setEnabled);
  connect(history, &QUndoStack::canRedoChanged, c.redo, &QAction::setEnabled);
  c.undo->setText("Undo\t" + KeyText(QKeySequence::Undo));
  c.redo->setText("Redo\t" + KeyText(QKeySequence(Qt::CTRL | Qt::Key_Y)));
  c.undo->setEnabled(false);
  c.redo->setEnabled(false);
  separator();

  c.cut = add("Cut", QKeySequence::keyBindings(QKeySequence::Cut), [this] { sga->CutSelection(); });
  c.copy =
      add("Copy", QKeySequence::keyBindings(QKeySequence::Copy), [this] { sga->CopySelection(); });
  c.paste = add("Paste", QKeySequence::keyBindings(QKeySequence::Paste),
                [this] { sga->PasteClipboard(); });
  c.clear = add("Delete", {QKeySequence(Qt::Key_Delete)}, [this] { sga->ClearSelection(); });
  c.fillDown = add("Fill Down", {QKeySequence(Qt::CTRL | Qt::Key_D)}, [this] { sga->FillDown(); });
  separator();

  c.insertRows =
      add("Insert Rows", {QKeySequence(Qt::CTRL | Qt::Key_Plus)}, [this] { InsertRowsClick(); });
  c.deleteRows =
      add("Delete Rows", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { DeleteRowsClick(); });
  c.moveUp =
      add("Move Rows Up", {QKeySequence(Qt::ALT | Qt::Key_Up)}, [this] { MoveRowsClick(-1); });
  c.moveDown =
      add("Move Rows Down", {QKeySequence(Qt::ALT | Qt::Key_Down)}, [this] { MoveRowsDownKey(); });
  c.moveDown->setToolTip(
      "Move Rows Down (Alt+Down; on one Data Type cell Alt+Down opens its list)");
  c.duplicateRows = add(
      "Duplicate Rows\u2026", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
      [this] { DuplicateRowsClick(); }, true);
  separator();

  c.dataTypeList = add(
      "Data Type List", {QKeySequence(Qt::Key_F4)}, [this] { sga->OpenDataTypeList(); }, false,
      "F4, Alt+Down on one cell");
  c.find = add(
      "Find\u2026", {QKeySequence::Find}, [this] { FindClick(); }, true);
  c.findNext = add(
      "Find Next", {QKeySequence(Qt::Key_F3)}, [this] { FindNext(true); }, true);
  c.findPrevious = add(
      "Find Previous", {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [this] { FindNext(false); }, true);
  separator();

  c.importCsv = add(
      "Import CSV\u2026", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
      [this] { ImportCsvClick(); }, true);
  c.exportCsv = add(
      "Export CSV\u2026", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
      [this] { ExportCsvClick(); }, true);
  c.warnings = add(
      "Mapping Warnings\u2026", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)},
      [this] { ShowWarnings(); }, true);
}

void TFSetVar::BuildCommandRow() {
  CommandRow = new QWidget(this);
  CommandRow->setObjectName("CommandRow");
  CommandRow->setFixedHeight(kCommandRowHeight);
  PaintBackground(CommandRow);
  auto* row = new QHBoxLayout(CommandRow);
  row->setContentsMargins(kOkLeft, 3, 8, 2);
  row->setSpacing(2);
  auto button = [this, row](QAction* action, const QString& caption) {
    auto* b = new QToolButton(CommandRow);
    action->setIconText(caption);  // the button's caption, kept when the action changes
    b->setDefaultAction(action);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setStyleSheet(kSmallButtonStyle);
    b->setFont(qt::ProgramFont());
    b->setFixedHeight(kCommandRowHeight - 6);
    b->setFocusPolicy(Qt::TabFocus);
    b->setObjectName("btn_" + caption.toLower().remove(' ').remove(QChar(0x2026)));
    row->addWidget(b);
    focusRing_.push_back(b);
  };
  const Commands& c = commands_;
  button(c.undo, "Undo");
  button(c.redo, "Redo");
  row->addSpacing(8);
  button(c.insertRows, "Insert Rows");
  button(c.deleteRows, "Delete Rows");
  button(c.moveUp, "Up");
  button(c.moveDown, "Down");
  button(c.fillDown, "Fill Down");
  button(c.duplicateRows, "Duplicate\u2026");
  row->addStretch(0);
  row->addSpacing(8);
  E_Find = new QLineEdit(CommandRow);
  E_Find->setObjectName("E_Find");
  E_Find->setPlaceholderText("Find (" + KeyText(QKeySequence::Find) + ")");
  E_Find->setClearButtonEnabled(true);
  E_Find->setFont(qt::ProgramFont());
  E_Find->setFixedHeight(kCommandRowHeight - 6);
  E_Find->setMinimumWidth(70);
  E_Find->setMaximumWidth(160);
  connect(E_Find, &QLineEdit::returnPressed, this, [this] { FindNext(true); });
  connect(E_Find, &QLineEdit::textEdited, this, [this] { SayInStatusLine(QString()); });
  row->addWidget(E_Find, 1, Qt::AlignRight);
  focusRing_.push_back(E_Find);
}

void TFSetVar::BuildBar() {
  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(kBarHeight);
  PaintBackground(Panel1);
  bitbtn1 = qt::MakeFlatButton("OK", QStyle::SP_DialogOkButton, Panel1);
  bitbtn1->setObjectName("bitbtn1");
  bitbtn2 = qt::MakeFlatButton("Cancel", QStyle::SP_DialogCancelButton, Panel1);
  bitbtn2->setObjectName("bitbtn2");
  CheckDevicesButton =
      qt::MakeFlatButton("Check devices\xE2\x80\xA6", QStyle::SP_DriveNetIcon, Panel1);
  CheckDevicesButton->setObjectName("CheckDevicesButton");
  // Enter belongs to the grid (it moves down), never to a default button.
  for (QPushButton* button : {bitbtn1, bitbtn2, CheckDevicesButton}) {
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFixedSize(kButtonWidth, kButtonHeight);
  }
  CheckDevicesButton->setFixedWidth(
      std::max(kCheckDevicesWidth, CheckDevicesButton->sizeHint().width()));
  auto* bar = new QHBoxLayout(Panel1);
  const int top = (kBarHeight - kButtonHeight) / 2;
  bar->setContentsMargins(kOkLeft, top, 8, kBarHeight - kButtonHeight - top);
  bar->setSpacing(0);
  bar->addWidget(bitbtn1);
  bar->addSpacing(kCancelLeft - kOkLeft - kButtonWidth);
  bar->addWidget(bitbtn2);
  bar->addSpacing(kCheckDevicesLeft - kCancelLeft - kButtonWidth);
  bar->addWidget(CheckDevicesButton);
  bar->addSpacing(8);
  auto small = [this, bar](QAction* action, const QString& caption,
                           QStyle::StandardPixmap picture) {
    auto* b = new QToolButton(Panel1);
    action->setIconText(caption);
    if (picture != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(picture));
    b->setDefaultAction(action);
    b->setIconSize(QSize(14, 14));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setStyleSheet(kSmallButtonStyle);
    b->setFixedHeight(kButtonHeight);
    b->setFocusPolicy(Qt::TabFocus);
    bar->addWidget(b);
    bar->addSpacing(3);
    return b;
  };
  QToolButton* importButton =
      small(commands_.importCsv, "Import\u2026", QStyle::SP_DialogOpenButton);
  importButton->setObjectName("btn_import");
  QToolButton* exportButton =
      small(commands_.exportCsv, "Export\u2026", QStyle::SP_DialogSaveButton);
  exportButton->setObjectName("btn_export");
  bar->addStretch(1);
  btn_warnings = small(commands_.warnings, QString(), QStyle::SP_CustomBase);
  btn_warnings->setObjectName("btn_warnings");

  // Ctrl+Tab from the grid lands on OK; Tab then goes round the buttons.
  focusRing_.insert(focusRing_.begin(), {sga, bitbtn1, bitbtn2, CheckDevicesButton, importButton,
                                         exportButton, btn_warnings});
  for (std::size_t i = 0; i + 1 < focusRing_.size(); ++i)
    setTabOrder(focusRing_[i], focusRing_[i + 1]);
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
  sga->CommitEdit();
  std::vector<TMyRec> rows;
  if (std::optional<std::string> refusal = ValidateTable(model_->Grid(), rows)) {
    services_.messages.ShowError(*refusal);
    return;
  }
  if (!checkDevices) {
    checkDevices = new DeviceCheckWindow(this);
    connect(this, &QDialog::finished, checkDevices, &QDialog::reject);
  }
  checkDevices->CheckRows(std::move(rows));
  checkDevices->show();
  checkDevices->raise();
  checkDevices->activateWindow();
}

bool TFSetVar::bitbtn1Click() {
  sga->CommitEdit();
  if (!store_.HasProject()) {
    services_.messages.ShowMessage(std::string(kNoProjectMessage));
    return false;
  }
  if (std::optional<std::string> refusal = CheckDataTypes(model_->Grid())) {
    services_.messages.ShowError(*refusal);
    return false;
  }
  if (!CollectRows()) return false;
  try {
    WriteTable(store_.Fields().VarPath, rows_);
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
    return false;
  }
  accept();
  return true;
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
  const int count = area->bottom - area->top + 1;
  const int below = model_->LastUsedRow();
  if (below + count > kMaxTranslateRows) {
    services_.messages.ShowMessage("Cannot duplicate " + RowsText(area->top, area->bottom) +
                                   ": the copies go below row " + std::to_string(below) +
                                   ", the last row in use, and the table ends at row " +
                                   std::to_string(kMaxTranslateRows) + ".");
    return;
  }
  // The offset proposed puts the copies' RTU addresses right after the
  // originals' (the span of their ranges); the address is the first row's.
  std::optional<int> low, high;
  for (int row = area->top; row <= area->bottom; ++row) {
    const std::optional<std::int32_t> rtu =
        ParseInteger(model_->Grid().Cell(row, kAddressRtuColumn));
    const std::int32_t points = IntegerOr(model_->Grid().Cell(row, kPointCountColumn), 0);
    if (!rtu) continue;
    low = std::min(low.value_or(*rtu), *rtu);
    high = std::max(high.value_or(*rtu + points), *rtu + points);
  }
  const int span = low ? *high - *low : 0;
  duplicateRows->Prepare(area->top, area->bottom, below, QString::number(span),
                         QString::fromStdString(model_->Grid().Cell(area->top, kDeviceIpColumn)));
  duplicateRows->setProperty("first", area->top);
  duplicateRows->setProperty("last", area->bottom);
  duplicateRows->open();
}

bool TFSetVar::DuplicateRows(const std::string& offsetText, const std::string& ipText) {
  const int first = duplicateRows->property("first").toInt();
  const int last = duplicateRows->property("last").toInt();
  const std::optional<std::int32_t> offset = ParseInteger(offsetText);
  if (!offset || *offset < -65535 || *offset > 65535) {
    services_.messages.ShowError("Error!! RTU address offset must be between -65535 and 65535. ");
    return false;
  }
  std::array<std::uint8_t, 4> octets{};
  if (!ParseIpAddress(ipText, octets)) {
    services_.messages.ShowError(DeviceIpMessage(ipText));
    return false;
  }
  const int below = model_->LastUsedRow();
  const int count = last - first + 1;
  if (first < 1 || last < first || below + count > kMaxTranslateRows) {
    services_.messages.ShowError("Error!! There is no room for the copies below row " +
                                 std::to_string(below) + ". ");
    return false;
  }
  // Rows below an empty Address RTU are not saved: copies there would be lost.
  for (int row = 1; row <= below; ++row) {
    if (model_->Grid().Cell(row, kAddressRtuColumn).empty()) {
      services_.messages.ShowError("Error!! Row " + std::to_string(row) +
                                   " has no Address RTU, so the rows below it are not saved. "
                                   "Fill or delete row " +
                                   std::to_string(row) + " first. ");
      return false;
    }
  }
  const std::string ip = DottedIp(octets);
  std::vector<TranslateCells> copies;
  for (int row = first; row <= last; ++row) {
    TranslateCells cells = model_->RowCells(row);
    const std::optional<std::int32_t> rtu = ParseInteger(cells[kAddressRtuColumn - 1]);
    const std::int64_t moved = rtu ? std::int64_t{*rtu} + *offset : -1;
    if (!rtu || *rtu < 0 || *rtu > 65535 || moved < 0 || moved > 65535) {
      services_.messages.ShowError("Error!! Address RTU of row " + std::to_string(row) +
                                   " plus the offset must be between 0 and 65535. ");
      return false;
    }
    cells[kAddressRtuColumn - 1] = std::to_string(moved);
    cells[kDeviceIpColumn - 1] = ip;
    copies.push_back(std::move(cells));
  }
  model_->WriteRows(below + 1, copies, "Duplicate Rows");
  return true;
}

void TFSetVar::ImportCsvClick() {
  sga->CommitEdit();
  const std::optional<std::string> path =
      services_.files.ChooseFileToOpen("Import CSV", store_.Fields().ProjectDir, kCsvFilter);
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
    WriteFileAtomically(*path, WriteTranslateCsv(rows));
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
