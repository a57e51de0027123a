#include "net/device_check_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "documents/data_types.h"
#include "documents/integer_rule.h"
#include "documents/ip_address.h"
#include "documents/translate_csv.h"
#include "platform/output_file.h"
#include "platform/error.h"
#include "platform/file_chooser.h"
#include "platform/message_boxes.h"
#include "platform/profile_file.h"
#include "platform/qt/look.h"

namespace fabrion {
namespace {

constexpr int kWindowWidth = 980;
constexpr int kWindowHeight = 480;
constexpr std::size_t kValuesShown = 8;
constexpr int kColumnWidths[DeviceCheckWindow::kColumnCount] = {44, 110, 96, 80, 60, 92, 230, 64, 200};
const char* const kCaptions[DeviceCheckWindow::kColumnCount] = {
    "N\xC2\xB0", "Data Type", "Device", "Address TCP", "N\xC2\xB0 Point",
    "Status", "Values", "Time (ms)", "Reason"};

// Where Fabrion.ini remembers the fields.
constexpr const char* kIniSection = "checkdevices";

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

// A value as form shows it; coils and inputs (bits) as read.
QString ValueText(std::uint16_t value, bool bits, DeviceCheckWindow::ValueForm form) {
  if (bits || form == DeviceCheckWindow::kUnsigned) return QString::number(value);
  if (form == DeviceCheckWindow::kSigned) return QString::number(static_cast<std::int16_t>(value));
  return QString("0x%1").arg(value, 4, 16, QChar('0')).toUpper().replace("0X", "0x");
}

// The first shown values, blank-separated, with " …" when more were read.
QString ValuesText(const RowCheck& result, bool bits, DeviceCheckWindow::ValueForm form,
                   std::size_t shown) {
  QStringList texts;
  for (std::size_t i = 0; i < std::min(shown, result.values.size()); ++i)
    texts << ValueText(result.values[i], bits, form);
  if (result.values.size() > shown) texts << QString::fromUtf8("\xE2\x80\xA6");
  return texts.join(' ');
}

QString ReasonText(const RowCheck& result) {
  return QString::fromStdString(result.status == RowStatus::kSkipped ? "N\xC2\xB0 Point 0"
                                                                     : RowReason(result));
}

QStringList Captions() { return QStringList(std::begin(kCaptions), std::end(kCaptions)); }

// One line of the exported file: comma-separated, quoted as RFC 4180 says.
std::string CsvLine(const QStringList& cells) {
  std::string line;
  for (qsizetype i = 0; i < cells.size(); ++i)
    line += (i > 0 ? "," : "") + QuoteCell(cells[i].toStdString(), ',');
  return line + "\r\n";
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
  list->horizontalHeader()->setSectionResizeMode(DeviceCheckWindow::kReasonColumn, QHeaderView::Stretch);
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(20);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setWordWrap(false);
  return list;
}

}  // namespace

DeviceCheckWindow::DeviceCheckWindow(const Services& services, std::string iniPath,
                                     std::string exportPath, QWidget* parent)
    : QDialog(parent), services_(services), iniPath_(std::move(iniPath)),
      exportPath_(std::move(exportPath)) {
  setObjectName("DeviceCheckWindow");
  setWindowTitle("Check devices");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  resize(kWindowWidth, kWindowHeight);
  qt::ApplyLook(this);

  QHBoxLayout* fields = BuildFields();

  ResultList = MakeResultList(this);
  auto* copy = new QAction(ResultList);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  ResultList->addAction(copy);

  QHBoxLayout* bar = BuildBar();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(ResultList, 1);
  layout->addLayout(bar);

  // Enter in a field checks; the other buttons act only when pressed.
  for (QPushButton* button : {CheckButton, ExportButton, CancelButton, CloseButton})
    button->setAutoDefault(false);
  CheckButton->setDefault(true);
  setTabOrder(PortField, UnitField);
  setTabOrder(UnitField, TimeOutField);
  setTabOrder(TimeOutField, RetriesField);
  setTabOrder(RetriesField, CheckButton);
  setTabOrder(CheckButton, ValuesForm);
  setTabOrder(ValuesForm, ResultList);
  setTabOrder(ResultList, ExportButton);
  setTabOrder(ExportButton, CancelButton);
  setTabOrder(CancelButton, CloseButton);

  LoadFields();
  ticker_.setInterval(100);
  connect(&ticker_, &QTimer::timeout, this, &DeviceCheckWindow::ShowElapsed);
  connect(copy, &QAction::triggered, this, &DeviceCheckWindow::CopyResults);
  connect(ValuesForm, &QComboBox::currentIndexChanged, this, [this] {
    for (int i = 0; i < static_cast<int>(results_.size()); ++i) ShowValues(i);
  });
  connect(CheckButton, &QPushButton::clicked, this, &DeviceCheckWindow::StartCheck);
  connect(ExportButton, &QPushButton::clicked, this, &DeviceCheckWindow::ExportResults);
  connect(CancelButton, &QPushButton::clicked, this, &DeviceCheckWindow::CancelCheck);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(this, &DeviceCheckWindow::RowChecked, this, &DeviceCheckWindow::ShowRow,
          Qt::QueuedConnection);
  connect(this, &DeviceCheckWindow::CheckEnded, this, &DeviceCheckWindow::EndCheck,
          Qt::QueuedConnection);
}

// The row of settings above the results: port, unit, time-out, retries, Check, values.
QHBoxLayout* DeviceCheckWindow::BuildFields() {
  PortField = MakeField(1, 65535, kDefaultModbusPort, "PortField", this);
  UnitField = MakeField(0, 255, kDefaultUnit, "UnitField", this);
  TimeOutField = MakeField(1, kMaxCheckTimeoutMs, kDefaultCheckTimeoutMs, "TimeOutField", this);
  TimeOutField->setSuffix(" ms");
  TimeOutField->setSingleStep(100);
  RetriesField = MakeField(0, kMaxRetries, kDefaultRetries, "RetriesField", this);
  CheckButton = qt::MakeFlatButton("&Check", QStyle::SP_BrowserReload, this);
  CheckButton->setObjectName("CheckButton");
  ValuesForm = new QComboBox(this);
  ValuesForm->setObjectName("ValuesForm");
  ValuesForm->addItems({"unsigned", "signed", "hexadecimal"});

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
  fields->addWidget(MakeCaption("&Retries:", RetriesField, this));
  fields->addWidget(RetriesField);
  fields->addSpacing(12);
  fields->addWidget(CheckButton);
  fields->addStretch(1);
  fields->addWidget(MakeCaption("&Values:", ValuesForm, this));
  fields->addWidget(ValuesForm);
  return fields;
}

// The bar below the results: progress, summary, elapsed time and the buttons.
QHBoxLayout* DeviceCheckWindow::BuildBar() {
  Progress = new QProgressBar(this);
  Progress->setObjectName("Progress");
  Progress->setTextVisible(false);
  Progress->setFixedWidth(180);
  Summary = new QLabel(this);
  Summary->setObjectName("Summary");
  Summary->setTextFormat(Qt::PlainText);
  Elapsed = new QLabel(this);
  Elapsed->setObjectName("Elapsed");
  ExportButton = qt::MakeFlatButton("&Export\xE2\x80\xA6", QStyle::SP_DialogSaveButton, this);
  ExportButton->setObjectName("ExportButton");
  CancelButton = qt::MakeFlatButton("C&ancel", QStyle::SP_DialogCancelButton, this);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setEnabled(false);
  CloseButton = qt::MakeFlatButton("Cl&ose", QStyle::SP_DialogCloseButton, this);
  CloseButton->setObjectName("CloseButton");

  auto* bar = new QHBoxLayout;
  bar->addWidget(Progress);
  bar->addWidget(Summary, 1);
  bar->addWidget(Elapsed);
  bar->addWidget(ExportButton);
  bar->addWidget(CancelButton);
  bar->addWidget(CloseButton);
  return bar;
}

DeviceCheckWindow::~DeviceCheckWindow() { StopWorker(); }

void DeviceCheckWindow::StartCheck() {
  StopWorker();
  std::optional<std::vector<TMyRec>> rows = source_ ? source_() : std::nullopt;
  if (!rows) return;
  SaveFields();
  rows_ = std::move(*rows);
  results_.assign(rows_.size(), RowCheck{});
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
    for (int column : {kStatusColumn, kValuesColumn, kTimeColumn, kReasonColumn})
      ResultList->setItem(i, column, Cell({}));
  }

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
  clock_.start();
  ticker_.start();
  ShowElapsed();

  const DeviceCheckSettings settings{static_cast<std::uint16_t>(PortField->value()),
                                     static_cast<std::uint8_t>(UnitField->value()),
                                     TimeOutField->value(), RetriesField->value()};
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
  results_[static_cast<std::size_t>(index)] = result;
  const StatusLook look = LookOf(result.status);
  QTableWidgetItem* status = ResultList->item(index, kStatusColumn);
  status->setText(look.text);
  status->setBackground(look.colour);
  ShowValues(index);
  ResultList->item(index, kTimeColumn)->setText(result.responseMs >= 0 ? QString::number(result.responseMs) : QString());
  const QString reason = ReasonText(result);
  ResultList->item(index, kReasonColumn)->setText(reason);
  ResultList->item(index, kReasonColumn)->setToolTip(reason);
  if (result.status == RowStatus::kNotChecked) return;
  ++done_;
  ++counts_[static_cast<std::size_t>(result.status)];
  Progress->setValue(done_);
  ShowProgress();
}

void DeviceCheckWindow::ShowValues(int index) {
  const RowCheck& result = results_[static_cast<std::size_t>(index)];
  const bool bits = ReadFunctionOf(rows_[static_cast<std::size_t>(index)].DataType) <= 2;
  const auto form = static_cast<ValueForm>(ValuesForm->currentIndex());
  QTableWidgetItem* values = ResultList->item(index, kValuesColumn);
  values->setText(ValuesText(result, bits, form, kValuesShown));
  values->setToolTip(ValuesText(result, bits, form, result.values.size()));
}

void DeviceCheckWindow::EndCheck(int run) {
  if (run != run_) return;
  if (worker_.joinable()) worker_.join();  // it has sent its last result
  checking_ = false;
  ticker_.stop();
  ShowElapsed();
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
    ticker_.stop();
    ShowElapsed();
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
                             RowStatus::kTimeOut, RowStatus::kError, RowStatus::kSkipped,
                             RowStatus::kNotChecked}) {
      if (const int count = counts_[static_cast<std::size_t>(status)]) {
        text += QString("%1%2 %3").arg(separator).arg(count).arg(LookOf(status).text);
        separator = ", ";
      }
    }
  }
  Summary->setText(text);
}

void DeviceCheckWindow::ShowElapsed() {
  Elapsed->setText(QString("%1 s").arg(static_cast<double>(clock_.elapsed()) / 1000.0, 0, 'f', 1));
}

std::vector<std::pair<QSpinBox*, const char*>> DeviceCheckWindow::RememberedFields() const {
  return {{PortField, "port"}, {UnitField, "unit"}, {TimeOutField, "timeout"}, {RetriesField, "retries"}};
}

void DeviceCheckWindow::LoadFields() {
  if (iniPath_.empty()) return;
  for (const auto& [field, key] : RememberedFields()) {
    const std::optional<std::int32_t> value = ParseInteger(ReadProfileString(iniPath_, kIniSection, key));
    if (value && *value >= field->minimum() && *value <= field->maximum()) field->setValue(*value);
  }
}

void DeviceCheckWindow::SaveFields() {
  if (iniPath_.empty()) return;
  try {
    for (const auto& [field, key] : RememberedFields())
      WriteProfileString(iniPath_, kIniSection, key, std::to_string(field->value()));
  } catch (const Error&) {
    // Only a convenience: the check runs with the fields as they are.
  }
}

QStringList DeviceCheckWindow::RowTexts(int index) const {
  QStringList texts;
  for (int column = 0; column < kColumnCount; ++column) texts << ResultList->item(index, column)->text();
  texts[kValuesColumn] = ResultList->item(index, kValuesColumn)->toolTip();  // every value
  return texts;
}

void DeviceCheckWindow::CopyResults() {
  QList<int> rows;
  for (const QModelIndex& index : ResultList->selectionModel()->selectedRows()) rows << index.row();
  if (rows.isEmpty())
    for (int i = 0; i < ResultList->rowCount(); ++i) rows << i;
  std::sort(rows.begin(), rows.end());
  QString text = Captions().join('\t') + '\n';
  for (int row : rows) text += RowTexts(row).join('\t') + '\n';
  QApplication::clipboard()->setText(text);
}

void DeviceCheckWindow::ExportResults() {
  const std::optional<std::string> path =
      services_.files.ChooseFileToSave("Export", exportPath_, "CSV (*.csv)");
  if (!path) return;
  std::string csv = "\xEF\xBB\xBF" + CsvLine(Captions());
  for (int i = 0; i < ResultList->rowCount(); ++i) csv += CsvLine(RowTexts(i));
  try {
    WriteOutputFile(*path, csv);
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
  }
}

}  // namespace fabrion
