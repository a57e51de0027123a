#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "app/about_dialog.h"
#include "app/project_tools_menu.h"
#include "documents/general_parameter_checks.h"
#include "documents/pargen_document.h"
#include "editors/general_parameter_dialog.h"
#include "editors/translate_table_dialog.h"
#include "firmware/bank_source.h"
#include "firmware/config_image.h"
#include "firmware/generate_firmware_dialog.h"
#include "net/ping_device.h"
#include "net/ping_dialog.h"
#include "platform/error.h"
#include "platform/event_pump.h"
#include "platform/message_boxes.h"
#include "platform/qt/look.h"
#include "platform/shell.h"
#include "project/new_project_dialog.h"
#include "project/project_store.h"

namespace fabrion {
namespace {

constexpr int kClientWidth = 566;
constexpr int kClientHeight = 206;
constexpr int kButtonWidth = 146;
constexpr int kButtonHeight = 26;
constexpr int kFirstColumn = 80;
constexpr int kSecondColumn = 232;
constexpr int kRows[4] = {36, 80, 124, 168};
constexpr const char* kProjectNotValid = "Project not valid";

}  // namespace

TFFabrioneFirmWare::TFFabrioneFirmWare(ProjectStore& store, Services services)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      store_(store),
      services_(services) {
  setObjectName("FFabrioneFirmWare");
  setFixedSize(kClientWidth, kClientHeight);
  qt::ApplyLook(this);
  setWindowTitle(QString::fromUtf8(kBaseTitle.data(), kBaseTitle.size()));

  for (int step = 0; step < 4; ++step) {
    auto* label = new QLabel(QString("Step %1").arg(step + 1), this);
    label->setFont(qt::ProgramFont(8, true));
    label->setStyleSheet("color: rgb(128, 128, 128);");
    label->setGeometry(12, kRows[step], 60, kButtonHeight);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  auto button = [this](const char* caption, QStyle::StandardPixmap picture, int column, int row) {
    QPushButton* b = qt::MakeFlatButton(caption, picture, this);
    b->setGeometry(column, kRows[row], kButtonWidth, kButtonHeight);
    return b;
  };
  New = button("New project", QStyle::SP_FileIcon, kFirstColumn, 0);
  open = button("Open project", QStyle::SP_DirOpenIcon, kSecondColumn, 0);
  btn_Prm_Gen = button("General Parameter", QStyle::SP_FileDialogDetailedView, kFirstColumn, 1);
  Btn_Ping = button("Ping Device", QStyle::SP_DriveNetIcon, kSecondColumn, 1);
  btn_Translate = button("Translate Table", QStyle::SP_FileDialogListView, kFirstColumn, 2);
  CreateBin = button("Up date Device", QStyle::SP_ArrowUp, kFirstColumn, 3);

  Edit1 = new QLineEdit("0.0.0.0", this);
  Edit1->setGeometry(kSecondColumn + kButtonWidth + 8, kRows[1] + 3, 113, 21);
  pingStatus = new QLabel(this);
  pingStatus->setGeometry(Edit1->x(), Edit1->y() + Edit1->height() + 2,
                          kClientWidth - Edit1->x() - 8, 16);

  about = qt::MakeFlatButton("", QStyle::SP_MessageBoxInformation, this);
  about->setToolTip("About");
  about->setAccessibleName("About");
  about->setGeometry(kClientWidth - 50, 4, 21, 19);
  LbButton1 = qt::MakeFlatButton("X", QStyle::SP_CustomBase, this);
  LbButton1->setIcon(QIcon());
  LbButton1->setGeometry(kClientWidth - 27, 4, 21, 19);
  LbButton1->setStyleSheet(LbButton1->styleSheet() + "QPushButton { padding: 0px; }");
  toolsMenu = new ProjectToolsMenu(*this, store_, services_);

  Label6 = new QLabel(QString("<a href=\"%1\" style=\"color: rgb(128,128,128);"
                              " font-weight: bold; text-decoration: none\">%1</a>")
                          .arg(kMakerUrl),
                      this);
  Label6->setTextFormat(Qt::RichText);
  Label6->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  Label6->setCursor(Qt::PointingHandCursor);
  Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label6->setGeometry(kClientWidth - 260, kClientHeight - 20, 252, 16);

  connect(New, &QPushButton::clicked, this, &TFFabrioneFirmWare::NewaClick);
  connect(open, &QPushButton::clicked, this, &TFFabrioneFirmWare::OpenaClick);
  for (QPushButton* b : {btn_Prm_Gen, btn_Translate, Btn_Ping})
    connect(b, &QPushButton::clicked, this, [this, b] { btn_str_lng1aClick(b); });
  connect(CreateBin, &QPushButton::clicked, this, &TFFabrioneFirmWare::CreateBinaClick);
  connect(about, &QPushButton::clicked, this, &TFFabrioneFirmWare::AboutClick);
  connect(LbButton1, &QPushButton::clicked, this, &TFFabrioneFirmWare::LbButton1Click);
  connect(Label6, &QLabel::linkActivated, this, [this] { Label6Click(); });

  FormCreate();
}

void TFFabrioneFirmWare::AttachDialogs(const Dialogs& dialogs) { dialogs_ = dialogs; }

void TFFabrioneFirmWare::FormCreate() {
  const std::string title = store_.LoadLastProject(store_.Fields().ProgramDir);
  setWindowTitle(QString::fromStdString(title));
  ShowProjectAddress();
  // The Translate Table button follows the stored operation mode: Routing
  // Mode (0) disables it; a missing, unreadable or non-integer MODE leaves it.
  if (const auto mode = ReadOperationModeCode(store_.Fields().ParGenPath))
    btn_Translate->setEnabled(*mode != 0);
}

void TFFabrioneFirmWare::FormClose() {
  try {
    store_.SaveLastProject();
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
  }
}

void TFFabrioneFirmWare::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TFFabrioneFirmWare::NewaClick() {
  if (!dialogs_.saveproj) return;
  dialogs_.saveproj->SetDestination(store_.Fields().ProjectsDir);
  dialogs_.saveproj->exec();
  setWindowTitle(QString::fromStdString(store_.ChangedTitle()));
}

void TFFabrioneFirmWare::OpenaClick() {
  const OpenProjectAttempt attempt = store_.OpenProject(services_.picker);
  if (attempt.title) {
    setWindowTitle(QString::fromStdString(*attempt.title));
    ShowProjectAddress();
  } else
    services_.messages.ShowMessage(attempt.refusal);
}

void TFFabrioneFirmWare::btn_str_lng1aClick(QPushButton* button) {
  if (store_.Fields().ProjectDir.empty()) {
    services_.messages.ShowMessage(kProjectNotValid);
    return;
  }
  if (button == btn_Translate && dialogs_.setVar) dialogs_.setVar->exec();
  if (button == btn_Prm_Gen && dialogs_.pargen) dialogs_.pargen->exec();
  if (button == Btn_Ping) PingDevice();
}

void TFFabrioneFirmWare::CreateBinaClick() {
  // Without a project folder every path below would start at the root.
  if (store_.Fields().ProjectDir.empty()) {
    services_.messages.ShowMessage(kProjectNotValid);
    return;
  }
  if (!store_.HasProject()) {
    services_.messages.ShowMessage(std::string(kNoProjectMessage));
    return;
  }
  if (!AcceptDeviceWordOverflows()) return;
  services_.pump.ProcessEvents();
  // bank1.bin and bankg.c are written from the image as the build left it,
  // but an incomplete image never reaches the Generate Firmware dialog.
  const std::string& projectDir = store_.Fields().ProjectDir;
  auto image = std::make_unique<ConfigImage>();
  const BuildOutcome outcome = BuildConfigImage(projectDir, services_.clock, *image);
  try {
    WriteBankBinary(projectDir, *image);
    WriteBankSource(projectDir, *image);
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
    return;
  }
  if (!outcome.complete) {
    services_.messages.ShowGeneralError(outcome.reason);
    return;
  }
  if (dialogs_.modifyFileSx) dialogs_.modifyFileSx->exec();
}

bool TFFabrioneFirmWare::AcceptDeviceWordOverflows() {
  std::vector<std::string> lines;
  try {
    lines = DeviceWordOverflows(ReadGeneralParameterTexts(store_.Fields().ParGenPath));
  } catch (const Error&) {
    return true;  // the image build reports the document
  }
  if (lines.empty()) return true;
  std::string question;
  for (const std::string& line : lines) question += line + ".\n";
  question.back() = ' ';
  return services_.messages.AskYesNo(question + "Continue?");
}

void TFFabrioneFirmWare::PingDevice() {
  // The echo holds the window for up to 5 s: say so before it starts.
  pingStatus->setText(QString::fromUtf8("Pinging %1\u2026").arg(Edit1->text()));
  pingStatus->repaint();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const PingResult result = fabrion::PingDevice(Edit1->text().toStdString(), PingStatus,
                                                services_.clock, services_.pump, services_.echo);
  QApplication::restoreOverrideCursor();
  pingStatus->setText(result.kind == kPingResultFound
                          ? QString("Answered in %1 ms").arg(result.answerMilliseconds)
                          : QString("No answer"));
  if (!dialogs_.ping) return;
  dialogs_.ping->ShowPingResult(result.kind, QString::fromStdString(result.title),
                                QString::fromStdString(result.text));
  dialogs_.ping->exec();
}

void TFFabrioneFirmWare::AboutClick() {
  if (dialogs_.about) dialogs_.about->exec();
}

void TFFabrioneFirmWare::Label6Click() { services_.shell.OpenUrl(kMakerUrl); }

void TFFabrioneFirmWare::LbButton1Click() { close(); }

void TFFabrioneFirmWare::SetTranslateTableEnabled(bool enabled) {
  btn_Translate->setEnabled(enabled);
}

void TFFabrioneFirmWare::SetPingAddress(const QString& address) { Edit1->setText(address); }

void TFFabrioneFirmWare::ShowProjectAddress() {
  GeneralParameters values;
  try {
    if (store_.HasProject()) values = ReadGeneralParameters(store_.Fields().ParGenPath);
  } catch (const Error&) {
    // General Parameter reports the document when it opens.
  }
  SetPingAddress(QString::fromStdString(JoinedIpAddress(values)));
}

}  // namespace fabrion
