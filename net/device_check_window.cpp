#include "net/device_check_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "documents/data_types.h"
#include "documents/ip_address.h"
#include "platform/qt/look.h"

namespace fabrion {
namespace {

constexpr int kWindowWidth = 980;
constexpr int kWindowHeight = 480;
constexpr std::size_t kValuesShown = 8;
constexpr int kColumnWidths[DeviceCheckWindow::kColumnCount] = {44, 110, 96, 80, 60, 92, 270, 200};
const char* const kCaptions[DeviceCheckWindow::kColumnCount] = {
    "N\xC2\xB0", "Data Type", "Device", "Address TCP", "N\xC2\xB0 Point", "Status", "Values", "Reason"};

// The status as the list shows it, and the colour of its cell.
struct StatusLook {
  const char* text;
  QColor colour;
};

StatusLook LookOf(RowStatus status) {
  switch (status) {
    case RowStatus::kOk: return {"ok", QColor(198, 239, 206)};
    case RowStatus::kException: return {"exception", QColor(255, 222, 173)};
    case RowStatus::kNoConnection: return {"no connection", QColor(255, 199, 206)};
    case RowStatus::kTimeOut: return {"time-out", QColor(255, 199, 206)};
    case RowStatus::kSkipped: return {"skipped", QColor(228, 228, 228)};
    case RowStatus::kError: return {"error", QColor(255, 199, 206)};
    case RowStatus::kNotChecked: break;
  }
  return {"not checked", QColor(248, 247, 237)};
}

QSpinBox* MakeField(int low, int high, int value, const char* name, QWidget* parent) {
  auto* field = new QSpinBox(parent);
  field->setObjectName(name);
  field->setRange(low, high);
  field->setValue(value);
  field->setAccelerated(true);
  return field;
}

QLabel* MakeCaption(const char* text, QWidget* buddy, QWidget* parent) {
  auto* caption = new QLabel(text, parent);
  caption->setBuddy(buddy);
  return caption;
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

// The list of rows checked: read-only, picked whole rows.
QTableWidget* MakeResultList(QWidget* parent) {
  auto* list = new QTableWidget(0, DeviceCheckWindow::kColumnCount, parent);
  list->setObjectName("ResultList");
  for (int column = 0; column < DeviceCheckWindow::kColumnCount; ++column) {
    list->setHorizontalHeaderItem(column, new QTableWidgetItem(kCaptions[column]));
    list->setColumnWidth(column, kColumnWidths[column]);
  }
  list->horizontalHeader()->setStretchLastSection(true);
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(20);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setWordWrap(false);
  return list;
}

}  // namespace

DeviceCheckWindow::DeviceCheckWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("DeviceCheckWindow");
  setWindowTitle("Check devices");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  resize(kWindowWidth, kWindowHeight);
  qt::ApplyLook(this);

  PortField = MakeField(1, 65535, kDefaultModbusPort, "PortField", this);
  UnitField = MakeField(0, 255, kDefaultUnit, "UnitField", this);
  TimeOutField = MakeField(1, kMaxCheckTimeoutMs, kDefaultCheckTimeoutMs, "TimeOutField", this);
  TimeOutField->setSuffix(" ms");
  TimeOutField->setSingleStep(100);
  CheckButton = qt::MakeFlatButton("&Check", QStyle::SP_BrowserReload, this);
  CheckButton->setObjectName("CheckButton");

  auto* fields = new QHBoxLayout;
  fields->addWidget(MakeCaption("&Port:", PortField, this));
  fields->addWidget(PortField);
  fields->addSpacing(12);
  fields->addWidget(MakeCaption("&Unit:", UnitField, this));
  fields->addWidget(UnitField);
  fields->addSpacing(12);
  fields->addWidget(MakeCaption("&Time-out:", TimeOutField, this));
  fields->addWidget(TimeOutField);
  fields->addSpacing(12);
  fields->addWidget(CheckButton);
  fields->addStretch(1);

  ResultList = MakeResultList(this);

  Progress = new QProgressBar(this);
  Progress->setObjectName("Progress");
  Progress->setTextVisible(false);
  Progress->setFixedWidth(180);
  Summary = new QLabel(this);
  Summary->setObjectName("Summary");
  Summary->setTextFormat(Qt::PlainText);
  CancelButton = qt::MakeFlatButton("C&ancel", QStyle::SP_DialogCancelButton, this);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setEnabled(false);
  CloseButton = qt::MakeFlatButton("Cl&ose", QStyle::SP_DialogCloseButton, this);
  CloseButton->setObjectName("CloseButton");

  auto* bar = new QHBoxLayout;
  bar->addWidget(Progress);
  bar->addWidget(Summary, 1);
  bar->addWidget(CancelButton);
  bar->addWidget(CloseButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(ResultList, 1);
  layout->addLayout(bar);

  // Enter in a field checks again; the other buttons act only when pressed.
  for (QPushButton* button : {CheckButton, CancelButton, CloseButton}) button->setAutoDefault(false);
  CheckButton->setDefault(true);
  setTabOrder(PortField, UnitField);
  setTabOrder(UnitField, TimeOutField);
  setTabOrder(TimeOutField, CheckButton);
  setTabOrder(CheckButton, ResultList);
  setTabOrder(ResultList, CancelButton);
  setTabOrder(CancelButton, CloseButton);

  connect(CheckButton, &QPushButton::clicked, this, &DeviceCheckWindow::StartCheck);
  connect(CancelButton, &QPushButton::clicked, this, &DeviceCheckWindow::CancelCheck);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(this, &DeviceCheckWindow::RowChecked, this, &DeviceCheckWindow::ShowRow,
          Qt::QueuedConnection);
  connect(this, &DeviceCheckWindow::CheckEnded, this, &DeviceCheckWindow::EndCheck,
          Qt::QueuedConnection);
}

DeviceCheckWindow::~DeviceCheckWindow() { StopWorker(); }

void DeviceCheckWindow::CheckRows(std::vector<TMyRec> rows) {
  StopWorker();
  rows_ = std::move(rows);
  ResultList->clearContents();
  ResultList->setRowCount(static_cast<int>(rows_.size()));
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    const TMyRec& row = rows_[static_cast<std::size_t>(i)];
    ResultList->setItem(i, kLineColumn, Cell(QString::number(i + 1)));
    const std::string_view type = DataTypeName(row.DataType).value_or("");
    ResultList->setItem(i, kTypeColumn, Cell(QString::fromUtf8(type.data(), type.size())));
    ResultList->setItem(i, kDeviceColumn, Cell(QString::fromStdString(DottedIp(row.DeviceIp))));
    ResultList->setItem(i, kAddressColumn, Cell(QString::number(row.TcpAddress)));
    ResultList->setItem(i, kCountColumn, Cell(QString::number(row.PointCount)));
    for (int column : {kStatusColumn, kValuesColumn, kReasonColumn}) ResultList->setItem(i, column, Cell({}));
  }
  StartCheck();
}

void DeviceCheckWindow::StartCheck() {
  StopWorker();
  ++run_;
  done_ = 0;
  counts_ = {};
  checking_ = true;
  for (int i = 0; i < ResultList->rowCount(); ++i)
    ShowRow(run_, i, RowCheck{});  // not checked, until its result comes
  Progress->setRange(0, std::max(1, static_cast<int>(rows_.size())));
  Progress->setValue(0);
  CancelButton->setEnabled(true);
  ShowProgress();

  const DeviceCheckSettings settings{static_cast<std::uint16_t>(PortField->value()),
                                     static_cast<std::uint8_t>(UnitField->value()),
                                     TimeOutField->value()};
  worker_ = std::jthread([this, run = run_, settings, rows = rows_](std::stop_token stop) {
    CheckDevices(rows, settings, stop, [&](std::size_t index, const RowCheck& result) {
      emit RowChecked(run, static_cast<int>(index), result);
    });
    emit CheckEnded(run);
  });
}

void DeviceCheckWindow::CancelCheck() {
  if (checking_) worker_.request_stop();
}

void DeviceCheckWindow::done(int result) {
  StopWorker();
  QDialog::done(result);
}

void DeviceCheckWindow::ShowRow(int run, int index, const RowCheck& result) {
  if (run != run_ || index < 0 || index >= ResultList->rowCount()) return;
  const StatusLook look = LookOf(result.status);
  QTableWidgetItem* status = ResultList->item(index, kStatusColumn);
  status->setText(look.text);
  status->setBackground(look.colour);
  QTableWidgetItem* values = ResultList->item(index, kValuesColumn);
  values->setText(QString::fromStdString(FirstValues(result, kValuesShown)));
  values->setToolTip(QString::fromStdString(FirstValues(result, result.values.size())));
  const std::string reason =
      result.status == RowStatus::kSkipped ? "N\xC2\xB0 Point 0" : RowReason(result);
  ResultList->item(index, kReasonColumn)->setText(QString::fromStdString(reason));
  ResultList->item(index, kReasonColumn)->setToolTip(QString::fromStdString(reason));
  if (result.status == RowStatus::kNotChecked) return;
  ++done_;
  ++counts_[static_cast<std::size_t>(result.status)];
  Progress->setValue(done_);
  ShowProgress();
}

void DeviceCheckWindow::EndCheck(int run) {
  if (run != run_) return;
  if (worker_.joinable()) worker_.join();  // it has sent its last result
  checking_ = false;
  CancelButton->setEnabled(false);
  ShowProgress();
}

void DeviceCheckWindow::StopWorker() {
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
  if (checking_) {
    checking_ = false;
    CancelButton->setEnabled(false);
    ShowProgress();
  }
}

void DeviceCheckWindow::ShowProgress() {
  const int total = static_cast<int>(rows_.size());
  QString text;
  if (checking_) {
    text = QString("Checking: %1 of %2 rows done").arg(done_).arg(total);
  } else if (done_ < total) {
    text = QString("Stopped: %1 of %2 rows checked").arg(done_).arg(total);
  } else {
    text = QString("%1 rows").arg(total);
    const char* separator = ": ";
    for (RowStatus status : {RowStatus::kOk, RowStatus::kException, RowStatus::kNoConnection,
                             RowStatus::kTimeOut, RowStatus::kError, RowStatus::kSkipped}) {
      if (const int count = counts_[static_cast<std::size_t>(status)]) {
        text += QString("%1%2 %3").arg(separator).arg(count).arg(LookOf(status).text);
        separator = ", ";
      }
    }
  }
  Summary->setText(text);
}

}  // namespace fabrion
