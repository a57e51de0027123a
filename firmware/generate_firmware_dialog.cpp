#include "firmware/generate_firmware_dialog.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <filesystem>
#include <system_error>

#include "firmware/firmware_composer.h"
#include "firmware/flash_tool_call.h"
#include "platform/error.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/qt/look.h"
#include "platform/qt/progress_bar_indicator.h"
#include "platform/shell.h"
#include "project/project_store.h"

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
}

std::string TFModifyFileSx::OutputPath() const {
  return outputName_.empty() ? std::string() : projectFolder_ + outputName_;
}

void TFModifyFileSx::LbButton2Click() {
  // A composition that stopped with a message leaves nothing new to program:
  // whatever file of that name an earlier run left is not handed on.
  try {
    if (!ExeModFileSxClick()) return;
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
    return;
  }
  ExeUpdateFirClick();
}

bool TFModifyFileSx::ExeModFileSxClick() {
  const std::string master = JoinPath(store_.Fields().MasterDir, masterName_);
  const ComposeOutcome outcome =
      ComposeFirmware(bank_, master, binFolder_, outputName_, projectFolder_, *progress_);
  if (!outcome.message.empty()) services_.messages.ShowMessage(outcome.message);
  // A firmware without the bank's records carries no configuration.
  if (outcome.ranToEnd && !outcome.bankPlaced) {
    services_.messages.ShowMessage(NoConfigurationAreaText(bank_));
    return false;
  }
  return outcome.ranToEnd;
}

void TFModifyFileSx::ExeUpdateFirClick() {
  const std::string output = OutputPath();
  if (!FileExists(output)) {
    services_.messages.ShowMessage(kOutputMissing);
    return;
  }
  const std::string flashTool = JoinPath(store_.Fields().ProgramDir, kFlashToolName);
  if (!FileExists(flashTool)) {
    services_.messages.ShowMessage(kFlashToolMissing);
    return;
  }
  if (!services_.shell.StartProgram(flashTool, FlashToolParameters(output, cbport->currentIndex())))
    services_.messages.ShowMessage(kFlashToolNotStarted);
}

void TFModifyFileSx::LbButton1Click() { close(); }

}  // namespace fabrion
