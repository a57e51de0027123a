#include "firmware/generate_firmware_dialog.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "editors/mapping_warnings_window.h"
#include "firmware/firmware_composer.h"
#include "firmware/flash_tool_call.h"
#include "platform/error.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/qt/look.h"
#include "platform/qt/progress_bar_indicator.h"
#include "platform/shell.h"
#include "project/project_store.h"
#include "table/translate_table_checks.h"

namespace fabrion {
namespace {

constexpr int kClientWidth = 430;
constexpr int kClientHeight = 224;
constexpr int kBarWidth = 417;
constexpr int kBarLeft = (kClientWidth - kBarWidth) / 2;

constexpr const char* kMasterMissing = "Error file ravelin.sx not found";
constexpr const char* kMasterDirUnusable = "Error";
constexpr const char* kProjectNotValid = "Project not valid";
constexpr const char* kOutputMissing = "File *.Sx Not Found,Abort Procedure";
constexpr const char* kFlashToolMissing = "Burnline.exe Not Found, Procedure Aborted";
constexpr const char* kFlashToolNotStarted = "Burnline.exe Not Started, Procedure Aborted";

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == kPathSeparator || path.back() == '/');
}

}  // namespace

TFModifyFileSx::TFModifyFileSx(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setObjectName("FModifyFileSx");
  setWindowTitle("Generate Firmware");
  qt::MakeToolWindow(this, kClientWidth, kClientHeight);
  qt::ApplyLook(this);

  LbButton1 = qt::MakeFlatButton("X", QStyle::SP_CustomBase, this);
  LbButton1->setIcon(QIcon());
  LbButton1->setGeometry(kClientWidth - 25 - 4, 4, 25, 17);
  LbButton1->setStyleSheet(LbButton1->styleSheet() + "QPushButton { padding: 0px; }");

  // At 153 pixels the caption fits only without a picture beside it.
  LbButton2 = qt::MakeFlatButton("Execute update firmware", QStyle::SP_MediaPlay, this);
  LbButton2->setIcon(QIcon());
  LbButton2->setStyleSheet(LbButton2->styleSheet() + "QPushButton { padding: 1px 2px; }");
  LbButton2->setGeometry((kClientWidth - 153) / 2, 142, 153, 23);

  cbport = new QComboBox(this);
  cbport->setEditable(false);
  for (int port = 0; port < kFlashToolPorts; ++port)
    cbport->addItem(QString::fromStdString(PortName(port)));
  cbport->setGeometry(kClientWidth - kBarLeft - 89, 143, 89, 21);

  Avanzamento = new QProgressBar(this);
  Avanzamento->setGeometry(kBarLeft, 176, kBarWidth, 24);
  Avanzamento->setTextVisible(false);
  progress_ = std::make_unique<qt::ProgressBarIndicator>(Avanzamento);

  plan = new QLabel(this);
  plan->setObjectName("plan");
  plan->setGeometry(kBarLeft, 26, kBarWidth, 48);
  plan->setTextFormat(Qt::PlainText);
  plan->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  outcome = new QLabel(this);
  outcome->setObjectName("outcome");
  outcome->setGeometry(kBarLeft, 76, kBarWidth, 34);
  outcome->setTextFormat(Qt::PlainText);
  outcome->setWordWrap(true);
  outcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  warnings = new QLabel(this);
  warnings->setObjectName("warnings");
  warnings->setGeometry(kBarLeft, 112, kBarWidth, 18);
  connect(warnings, &QLabel::linkActivated, this, [this] {
    if (!warningsWindow_) warningsWindow_ = new MappingWarningsWindow(this);
    warningsWindow_->SetWarnings(warnings_);
    warningsWindow_->show();
    warningsWindow_->raise();
  });
  auto* portLabel = new QLabel("Port", this);
  portLabel->setGeometry(cbport->x() - 40, 143, 36, 21);
  portLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  portLabel->setBuddy(cbport);

  Shape1 = new QFrame(this);
  Shape1->setGeometry(kBarLeft, 208, kBarWidth, 10);
  Shape1->setStyleSheet(
      "QFrame { background: rgb(166, 202, 240); border: 1px solid rgb(64, 64, 64); }");

  // No button is the default: Enter presses none of them, so only a click or
  // Space on a focused button composes, starts the flash tool or closes.
  for (QPushButton* button : {LbButton1, LbButton2}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  setTabOrder(cbport, LbButton2);
  setTabOrder(LbButton2, LbButton1);

  connect(LbButton1, &QPushButton::clicked, this, &TFModifyFileSx::LbButton1Click);
  connect(LbButton2, &QPushButton::clicked, this, &TFModifyFileSx::LbButton2Click);
}

TFModifyFileSx::~TFModifyFileSx() = default;

void TFModifyFileSx::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFModifyFileSx::PlaceOnScreen() {
  if (!openedBefore_) {
    openedBefore_ = true;
    qt::CentreOnScreen(this);
    return;
  }
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize frame = size().grownBy(qt::FrameMargins(this));
  qt::MoveFrameTo(this, QPoint(area.left() + (area.width() - frame.width()) / 2,
                               area.top() + area.height() / 2 - frame.height()));
}

void TFModifyFileSx::keyPressEvent(QKeyEvent* event) {
  // The dialog closes through "X" and the window manager's close only.
  const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
  if (event->matches(QKeySequence::Cancel) || enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFModifyFileSx::FormShow() {
  PlaceOnScreen();
  plan->clear();
  outcome->clear();
  warnings->clear();
  cbport->setFocus(Qt::OtherFocusReason);
  bank_ = 1;
  cbport->setCurrentIndex(0);
  progress_->SetPosition(0);
  LbButton2->setEnabled(false);
  masterName_.clear();
  outputName_.clear();
  projectFolder_.clear();

  const ProjectFields& fields = store_.Fields();
  const std::string bin = JoinPath(fields.ProjectDir, "bin");
  binFolder_ = !fields.ProjectDir.empty() && DirectoryExists(bin) ? bin + kPathSeparator : "";

  if (!FileExists(JoinPath(fields.MasterDir, kMasterFileName))) {
    services_.messages.ShowError(kMasterMissing);
    return;
  }
  std::error_code error;
  std::filesystem::current_path(ToFsPath(fields.MasterDir), error);
  if (error) {
    services_.messages.ShowError(kMasterDirUnusable);
    return;
  }
  // Without a project there is no folder to compose into.
  if (fields.ProjectDir.empty()) {
    services_.messages.ShowMessage(kProjectNotValid);
    return;
  }
  masterName_ = kMasterFileName;
  projectFolder_ = fields.ProjectDir;
  if (!EndsWithSeparator(projectFolder_)) projectFolder_ += kPathSeparator;
  outputName_ = kOutputPrefix + masterName_;
  LbButton2->setEnabled(true);
  ShowPlan();
}

void TFModifyFileSx::ShowPlan() {
  const ProjectFields& fields = store_.Fields();
  plan->setText(QString::fromStdString(
      "Project: " + fields.ProjectDir + "\nMaster firmware: " +
      JoinPath(fields.MasterDir, masterName_) + "\nOutput file: " + outputName_ +
      " in the project folder"));
  try {
    warnings_ = ProjectMappingWarnings(fields.VarPath, fields.ParGenPath);
  } catch (const Error&) {
    warnings_.clear();  // the image build has already said what is wrong
  }
  warnings->setText(warnings_.empty()
                        ? QString()
                        : WarningCountText(warnings_.size()) +
                              " in the translate table. <a href=\"#\">Show\u2026</a>");
}

void TFModifyFileSx::ShowOutcome(const std::string& text) {
  outcome->setText(QString::fromStdString(text));
}

std::string TFModifyFileSx::OutputPath() const {
  return outputName_.empty() ? std::string() : projectFolder_ + outputName_;
}

void TFModifyFileSx::LbButton2Click() {
  // A composition that stopped with a message leaves nothing new to program:
  // whatever file of that name an earlier run left is not handed on.
  ShowOutcome("Composing " + outputName_ + "\u2026");
  try {
    if (!ExeModFileSxClick()) {
      ShowOutcome(stopReason_.empty()
                      ? "Stopped: " + outputName_ + " was not composed, the flash tool was not started."
                      : "Stopped: " + GeneralErrorText(stopReason_));
      return;
    }
  } catch (const Error& error) {
    ShowOutcome("Stopped: " + GeneralErrorText(error.what()));
    services_.messages.ShowGeneralError(error.what());
    return;
  }
  ExeUpdateFirClick();
}

bool TFModifyFileSx::ExeModFileSxClick() {
  const std::string master = JoinPath(store_.Fields().MasterDir, masterName_);
  const ComposeOutcome outcome =
      ComposeFirmware(bank_, master, binFolder_, outputName_, projectFolder_, *progress_);
  stopReason_ = outcome.message;
  std::replace(stopReason_.begin(), stopReason_.end(), '\n', ' ');
  if (!outcome.message.empty()) services_.messages.ShowMessage(outcome.message);
  // A firmware without the bank's records carries no configuration.
  if (outcome.ranToEnd && !outcome.bankPlaced) {
    stopReason_ = NoConfigurationAreaText(bank_);
    services_.messages.ShowMessage(stopReason_);
    return false;
  }
  return outcome.ranToEnd;
}

void TFModifyFileSx::ExeUpdateFirClick() {
  const std::string output = OutputPath();
  if (!FileExists(output)) {
    ShowOutcome(std::string("Stopped: ") + kOutputMissing);
    services_.messages.ShowMessage(kOutputMissing);
    return;
  }
  const std::string flashTool = JoinPath(store_.Fields().ProgramDir, kFlashToolName);
  if (!FileExists(flashTool)) {
    ShowOutcome(std::string("Stopped: ") + kFlashToolMissing);
    services_.messages.ShowMessage(kFlashToolMissing);
    return;
  }
  const std::string written = WrittenText();
  if (!services_.shell.StartProgram(flashTool, FlashToolParameters(output, cbport->currentIndex()))) {
    ShowOutcome(written + ", but " + std::string(kFlashToolName) + " could not be started.");
    services_.messages.ShowMessage(kFlashToolNotStarted);
    return;
  }
  ShowOutcome(written + ", flash tool started on " + PortName(cbport->currentIndex()) + ".");
}

std::string TFModifyFileSx::WrittenText() const {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(ToFsPath(OutputPath()), error);
  const std::string size = error ? std::string("size unknown") : std::to_string(bytes) + " bytes";
  return outputName_ + " written (" + size + ")";
}

void TFModifyFileSx::LbButton1Click() { close(); }

}  // namespace fabrion
