#include "editors/translate_table_dialog.h"

#include <QHeaderView>
#include <QPalette>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "editors/data_type_delegate.h"
#include "editors/translate_grid_view.h"
#include "editors/translate_table_checks.h"
#include "editors/translate_table_model.h"
#include "net/device_check_window.h"
#include "platform/error.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/qt/look.h"
#include "project/project_store.h"

namespace fabrion {
namespace {

constexpr int kWindowWidth = 618;
constexpr int kWindowHeight = 549;
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

void PaintBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, qt::BackgroundColour());
  palette.setColor(QPalette::Base, qt::BackgroundColour());
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
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
  resize(kWindowWidth, kWindowHeight);

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
  columns->setStretchLastSection(false);
  columns->setSectionsMovable(false);
  columns->setFixedHeight(kRowHeight);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setHighlightSections(false);
  for (int column = kDataTypeColumn; column < kGridColumns; ++column)
    sga->setColumnWidth(column - 1, kColumnWidths[column]);

  Panel1 = new QWidget(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFixedHeight(kBarHeight);
  PaintBackground(Panel1);
  bitbtn1 = qt::MakeFlatButton("OK", QStyle::SP_DialogOkButton, Panel1);
  bitbtn1->setObjectName("bitbtn1");
  bitbtn2 = qt::MakeFlatButton("Cancel", QStyle::SP_DialogCancelButton, Panel1);
  bitbtn2->setObjectName("bitbtn2");
  const int buttonTop = (kBarHeight - kButtonHeight) / 2;
  bitbtn1->setGeometry(kOkLeft, buttonTop, kButtonWidth, kButtonHeight);
  bitbtn2->setGeometry(kCancelLeft, buttonTop, kButtonWidth, kButtonHeight);
  CheckDevicesButton =
      qt::MakeFlatButton("Check devices\xE2\x80\xA6", QStyle::SP_DriveNetIcon, Panel1);
  CheckDevicesButton->setObjectName("CheckDevicesButton");
  CheckDevicesButton->setGeometry(kCheckDevicesLeft, buttonTop,
                                  std::max(kCheckDevicesWidth, CheckDevicesButton->sizeHint().width()),
                                  kButtonHeight);
  // Enter belongs to the grid (it moves down), never to a default button.
  for (QPushButton* button : {bitbtn1, bitbtn2, CheckDevicesButton}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(sga, 1);
  layout->addWidget(Panel1, 0);

  connect(bitbtn1, &QPushButton::clicked, this, [this] { bitbtn1Click(); });
  connect(bitbtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(CheckDevicesButton, &QPushButton::clicked, this, &TFSetVar::CheckDevicesClick);

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

}  // namespace fabrion
