// How the Set Translate Table window is built: the grid's look, the table of
// its commands and the menu, buttons and keys made from it, the button bar.
#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>

#include "editors/data_type_delegate.h"
#include "editors/translate_grid_view.h"
#include "editors/translate_table_dialog.h"
#include "editors/translate_table_model.h"
#include "platform/qt/look.h"
#include "table/translate_table_checks.h"

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

void PaintBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, qt::BackgroundColour());
  palette.setColor(QPalette::Base, qt::BackgroundColour());
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QKeySequence Keys(QKeyCombination key) { return QKeySequence(key); }

// The menu says what Undo and Redo would undo or redo ("Undo Paste").
auto FollowHistory(QAction* action, const QString& verb) {
  return [action, verb](const QString& step) {
    const QString key = action->text().section('\t', 1);
    action->setText((step.isEmpty() ? verb : verb + ' ' + step) +
                    (key.isEmpty() ? "" : '\t' + key));
    action->setToolTip(action->text().section('\t', 0, 0) + " (" + key + ")");
  };
}

}  // namespace

QString TFSetVar::KeyText(const QKeySequence& key) {
  return key.toString(QKeySequence::NativeText);
}

const std::vector<TFSetVar::Command>& TFSetVar::CommandTable() {
  using C = Commands;
  const auto undo = [](TFSetVar& d) {
    d.sga->CommitEdit();
    d.model_->UndoStack()->undo();
  };
  const auto redo = [](TFSetVar& d) {
    d.sga->CommitEdit();
    d.model_->UndoStack()->redo();
  };
  static const std::vector<Command> table = {
      {&C::undo, "Undo", {QKeySequence::Undo}, undo, kWindow, "Undo"},
      {&C::redo, "Redo", {Keys(Qt::CTRL | Qt::Key_Y), Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}, redo,
       kWindow | kGroupEnd, "Redo"},
      {&C::cut, "Cut", QKeySequence::keyBindings(QKeySequence::Cut),
       [](TFSetVar& d) { d.sga->CutSelection(); }},
      {&C::copy, "Copy", QKeySequence::keyBindings(QKeySequence::Copy),
       [](TFSetVar& d) { d.sga->CopySelection(); }},
      {&C::paste, "Paste", QKeySequence::keyBindings(QKeySequence::Paste),
       [](TFSetVar& d) { d.sga->PasteClipboard(); }},
      {&C::clear, "Delete", {Keys(Qt::Key_Delete)}, [](TFSetVar& d) { d.sga->ClearSelection(); }},
      {&C::fillDown, "Fill Down", {Keys(Qt::CTRL | Qt::Key_D)},
       [](TFSetVar& d) { d.sga->FillDown(); }, kGroupEnd, "Fill Down"},
      {&C::insertRows, "Insert Rows", {Keys(Qt::CTRL | Qt::Key_Plus)},
       [](TFSetVar& d) { d.InsertRowsClick(); }, 0, "Insert Rows"},
      {&C::deleteRows, "Delete Rows", {Keys(Qt::CTRL | Qt::Key_Minus)},
       [](TFSetVar& d) { d.DeleteRowsClick(); }, 0, "Delete Rows"},
      {&C::moveUp, "Move Rows Up", {Keys(Qt::ALT | Qt::Key_Up)},
       [](TFSetVar& d) { d.MoveRowsClick(-1); }, 0, "Up"},
      {&C::moveDown, "Move Rows Down", {Keys(Qt::ALT | Qt::Key_Down)},
       [](TFSetVar& d) { d.MoveRowsDownKey(); }, 0, "Down", nullptr,
       "Move Rows Down (Alt+Down; on one Data Type cell Alt+Down opens its list)"},
      {&C::duplicateRows, "Duplicate Rows\u2026", {Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_D)},
       [](TFSetVar& d) { d.DuplicateRowsClick(); }, kWindow | kGroupEnd, "Duplicate\u2026"},
      {&C::dataTypeList, "Data Type List", {Keys(Qt::Key_F4)},
       [](TFSetVar& d) { d.sga->OpenDataTypeList(); }, 0, nullptr, "F4, Alt+Down on one cell"},
      {&C::find, "Find\u2026", {QKeySequence::Find}, [](TFSetVar& d) { d.FindClick(); }, kWindow},
      {&C::findNext, "Find Next", {Keys(Qt::Key_F3)}, [](TFSetVar& d) { d.FindNext(true); },
       kWindow},
      {&C::findPrevious, "Find Previous", {Keys(Qt::SHIFT | Qt::Key_F3)},
       [](TFSetVar& d) { d.FindNext(false); }, kWindow | kGroupEnd},
      {&C::importCsv, "Import CSV\u2026", {Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_I)},
       [](TFSetVar& d) { d.ImportCsvClick(); }, kWindow, "Import\u2026"},
      {&C::exportCsv, "Export CSV\u2026", {Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
       [](TFSetVar& d) { d.ExportCsvClick(); }, kWindow, "Export\u2026"},
      {&C::warnings, "Mapping Warnings\u2026", {Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_W)},
       [](TFSetVar& d) { d.ShowWarnings(); }, kWindow, ""},
  };
  return table;
}

void TFSetVar::BuildWindow() {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  // The grid and the bar keep their size; the command row makes the window taller.
  resize(kWindowWidth, kGridAndBarHeight + kCommandRowHeight);
  BuildGrid();
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
}

void TFSetVar::BuildGrid() {
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
}

// Each command an action of the grid's menu, in the table's order: shown
// with its first key (or keyText), active while the focus is in the grid
// (or, kWindow, anywhere in the window).
void TFSetVar::BuildCommands() {
  for (const Command& command : CommandTable()) {
    const QString caption = QString::fromUtf8(command.caption);
    const QString key = command.keyText ? QString::fromUtf8(command.keyText)
                        : command.keys.isEmpty() ? QString()
                                                 : KeyText(command.keys[0]);
    auto* action = new QAction(key.isEmpty() ? caption : caption + '\t' + key, this);
    QString name = caption;
    name.remove(' ').remove(QChar(0x2026));
    name[0] = name[0].toLower();
    action->setObjectName(name + "Action");
    action->setShortcuts(command.keys);
    action->setShortcutContext((command.flags & kWindow) ? Qt::WindowShortcut
                                                         : Qt::WidgetWithChildrenShortcut);
    action->setIconText(command.button ? QString::fromUtf8(command.button) : caption);
    action->setToolTip(command.toolTip ? QString::fromUtf8(command.toolTip)
                       : key.isEmpty() ? caption
                                       : caption + " (" + key + ")");
    const auto run = command.run;
    connect(action, &QAction::triggered, this, [this, run] { run(*this); });
    sga->addAction(action);
    commands_.*command.action = action;
    if (!(command.flags & kGroupEnd)) continue;
    auto* line = new QAction(this);
    line->setSeparator(true);
    sga->addAction(line);
  }
  QUndoStack* history = model_->UndoStack();
  connect(history, &QUndoStack::undoTextChanged, this, FollowHistory(commands_.undo, "Undo"));
  connect(history, &QUndoStack::redoTextChanged, this, FollowHistory(commands_.redo, "Redo"));
  connect(history, &QUndoStack::canUndoChanged, commands_.undo, &QAction::setEnabled);
  connect(history, &QUndoStack::canRedoChanged, commands_.redo, &QAction::setEnabled);
  commands_.undo->setEnabled(false);
  commands_.redo->setEnabled(false);
}

QToolButton* TFSetVar::CommandButton(QAction* action, QWidget* strip) {
  auto* b = new QToolButton(strip);
  b->setDefaultAction(action);
  b->setStyleSheet(kSmallButtonStyle);
  b->setFocusPolicy(Qt::TabFocus);
  b->setObjectName("btn_" + action->iconText().toLower().remove(' ').remove(QChar(0x2026)));
  return b;
}

void TFSetVar::BuildCommandRow() {
  CommandRow = new QWidget(this);
  CommandRow->setObjectName("CommandRow");
  CommandRow->setFixedHeight(kCommandRowHeight);
  PaintBackground(CommandRow);
  auto* row = new QHBoxLayout(CommandRow);
  row->setContentsMargins(kOkLeft, 3, 8, 2);
  row->setSpacing(2);
  const Commands& c = commands_;
  // A null action: a gap between groups.
  for (QAction* action : {c.undo, c.redo, static_cast<QAction*>(nullptr), c.insertRows,
                          c.deleteRows, c.moveUp, c.moveDown, c.fillDown, c.duplicateRows}) {
    if (!action) {
      row->addSpacing(8);
      continue;
    }
    QToolButton* b = CommandButton(action, CommandRow);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFont(qt::ProgramFont());
    b->setFixedHeight(kCommandRowHeight - 6);
    row->addWidget(b);
    focusRing_.push_back(b);
  }
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
  const struct {
    QAction* action;
    QStyle::StandardPixmap picture;  // SP_CustomBase: none
  } small[] = {{commands_.importCsv, QStyle::SP_DialogOpenButton},
               {commands_.exportCsv, QStyle::SP_DialogSaveButton},
               {nullptr, QStyle::SP_CustomBase},
               {commands_.warnings, QStyle::SP_CustomBase}};
  std::vector<QWidget*> buttons;
  for (const auto& [action, picture] : small) {
    if (!action) {
      bar->addStretch(1);
      continue;
    }
    if (picture != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(picture));
    QToolButton* b = CommandButton(action, Panel1);
    b->setIconSize(QSize(14, 14));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setFixedHeight(kButtonHeight);
    bar->addWidget(b);
    bar->addSpacing(3);
    buttons.push_back(b);
  }
  btn_warnings = static_cast<QToolButton*>(buttons.back());
  btn_warnings->setObjectName("btn_warnings");
  // Ctrl+Tab from the grid lands on OK; Tab then goes round the buttons.
  focusRing_.insert(focusRing_.begin(), {sga, bitbtn1, bitbtn2, CheckDevicesButton});
  focusRing_.insert(focusRing_.begin() + 4, buttons.begin(), buttons.end());
  for (std::size_t i = 0; i + 1 < focusRing_.size(); ++i)
    setTabOrder(focusRing_[i], focusRing_[i + 1]);
}

}  // namespace fabrion
