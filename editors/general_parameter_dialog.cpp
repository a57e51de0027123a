#include "editors/general_parameter_dialog.h"

#include <QComboBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <algorithm>
#include <memory>

#include "editors/address_spin_box.h"
#include "documents/gateway_codes.h"
#include "documents/general_parameter_checks.h"
#include "documents/integer_rule.h"
#include "documents/ip_address.h"
#include "platform/error.h"
#include "platform/message_boxes.h"
#include "platform/qt/look.h"
#include "project/project_store.h"

namespace fabrion {
namespace {

constexpr int kClientWidth = 457;
constexpr int kContentHeight = 313;  // down to the Operation Mode group, all in view

constexpr int kGroupTop = 8;
constexpr int kGroupWidth = 208;
constexpr int kGroupHeight = 120;
constexpr int kTcpGroupHeight = 196;  // the MODBUS TCP group, down to "TCP Port"
constexpr int kSnmpGroupTop = kGroupTop + kGroupHeight + 6;
constexpr int kLeftGroupX = 8;
constexpr int kRightGroupX = 224;
constexpr int kFieldHeight = 21;
constexpr int kOctetWidth = 38;
constexpr int kOctetPitch = 48;  // octet field plus its "." label

QString Caption(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The baud rates in code order, as the list shows them.
QStringList BaudRateItems() {
  QStringList items;
  for (int rate : kBaudRates) items << QString::number(rate);
  return items;
}

// The parities in list order, by their captions.
QStringList ParityItems() {
  QStringList items;
  for (const Parity& parity : kParities) items << Caption(parity.caption);
  return items;
}
constexpr const char* kDiscardQuestion = "Discard the changes to the general parameters?";

QLineEdit* MakeTextField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setFrame(false);
  field->setStyleSheet("QLineEdit { background: white; border: 1px solid rgb(190, 188, 172); }"
                       "QLineEdit:focus { border-color: rgb(90, 130, 180); }");
  return field;
}

QLabel* MakeLabel(const QString& caption, QWidget* parent, int x, int y, int width) {
  auto* label = new QLabel(caption, parent);
  label->setGeometry(x, y, width, kFieldHeight);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

// Four octet fields in a row with "." labels between them.
std::array<QLineEdit*, 4> MakeOctetRow(QWidget* parent, int y) {
  std::array<QLineEdit*, 4> row{};
  for (int i = 0; i < 4; ++i) {
    const int x = 10 + i * kOctetPitch;
    row[i] = MakeTextField(parent);
    row[i]->setGeometry(x, y, kOctetWidth, kFieldHeight);
    row[i]->setAlignment(Qt::AlignCenter);
    if (i < 3) {
      auto* dot = new QLabel(".", parent);
      dot->setGeometry(x + kOctetWidth, y, kOctetPitch - kOctetWidth, kFieldHeight);
      dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    }
  }
  return row;
}

std::string Text(const QLineEdit* field) { return field->text().toStdString(); }
QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TFpargen::TFpargen(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setObjectName("Fpargen");
  setWindowTitle("General Parameter");
  qt::MakeToolWindow(this, kClientWidth, kContentHeight);

  ScrollBox = new QScrollArea(this);
  ScrollBox->setGeometry(0, 0, kClientWidth, kContentHeight);
  ScrollBox->setFrameShape(QFrame::NoFrame);
  ScrollBox->setFocusPolicy(Qt::NoFocus);
  ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ScrollBox->setWidgetResizable(true);
  auto* content = new QWidget;
  content->setMinimumHeight(kContentHeight);
  content->setAutoFillBackground(true);

  BuildTcpGroup(content);

  auto* rtu = new QGroupBox("MODBUS RTU", content);
  rtu->setGeometry(kRightGroupX, kGroupTop, kGroupWidth, kGroupHeight);
  constexpr int kRtuRows[4] = {24, 47, 70, 93};
  constexpr int kRtuFieldX = 100;
  constexpr int kRtuFieldWidth = 96;
  MakeLabel("Address", rtu, 10, kRtuRows[0], 88);
  SE_Address = new AddressSpinBox(rtu);
  SE_Address->setGeometry(kRtuFieldX, kRtuRows[0], kRtuFieldWidth, kFieldHeight);
  MakeLabel("Baud rate", rtu, 10, kRtuRows[1], 88);
  CB_Baud = new QComboBox(rtu);
  CB_Baud->addItems(BaudRateItems());
  CB_Baud->setGeometry(kRtuFieldX, kRtuRows[1], kRtuFieldWidth, kFieldHeight);
  MakeLabel("Parity", rtu, 10, kRtuRows[2], 88);
  CB_Par = new QComboBox(rtu);
  CB_Par->addItems(ParityItems());
  CB_Par->setGeometry(kRtuFieldX, kRtuRows[2], kRtuFieldWidth, kFieldHeight);
  MakeLabel("Timeout (ms)", rtu, 10, kRtuRows[3], 88);
  E_Time = MakeTextField(rtu);
  E_Time->setGeometry(kRtuFieldX, kRtuRows[3], kRtuFieldWidth, kFieldHeight);

  BuildSnmpGroup(content);

  constexpr int kBelowGroups = kGroupTop + kTcpGroupHeight + 10;
  MakeLabel("System Data Offset", content, kLeftGroupX + 8, kBelowGroups, 118);
  E_Offset = MakeTextField(content);
  E_Offset->setGeometry(kLeftGroupX + kGroupWidth - 80, kBelowGroups, 80, kFieldHeight);

  BitBtn1 = qt::MakeFlatButton("OK", QStyle::SP_DialogOkButton, content);
  BitBtn1->setGeometry(kRightGroupX + kGroupWidth - 168, kBelowGroups - 2, 80, 25);
  BitBtn2 = qt::MakeFlatButton("Cancel", QStyle::SP_DialogCancelButton, content);
  BitBtn2->setGeometry(kRightGroupX + kGroupWidth - 80, kBelowGroups - 2, 80, 25);

  RG_Mode = new QGroupBox("Operation Mode", content);
  RG_Mode->setGeometry(kLeftGroupX, kContentHeight - 8 - 56, kRightGroupX + kGroupWidth - kLeftGroupX,
                       56);
  RoutingMode = new QRadioButton(Caption(kModeNames[kRoutingModeCode]), RG_Mode);
  RoutingMode->setObjectName("RoutingMode");
  RoutingMode->setGeometry(16, 24, 180, 20);
  NatMode = new QRadioButton(Caption(kModeNames[kNatModeCode]), RG_Mode);
  NatMode->setObjectName("NatMode");
  NatMode->setGeometry(16 + RG_Mode->width() / 2, 24, 180, 20);

  ScrollBox->setWidget(content);
  qt::ApplyLook(this);
  qt::SetDefaultButton(this, BitBtn1);  // now that the buttons are inside the dialog

  OrderAndNameControls();

  connect(BitBtn1, &QPushButton::clicked, this, &TFpargen::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TFpargen::BitBtn2Click);

  SetDefaults();
}

// The network rows: IP address, subnet mask, default gateway, TCP port.
void TFpargen::BuildTcpGroup(QWidget* content) {
  auto* tcp = new QGroupBox("MODBUS TCP", content);
  tcp->setGeometry(kLeftGroupX, kGroupTop, kGroupWidth, kTcpGroupHeight);
  MakeLabel("IP Address", tcp, 10, 22, 180);
  ipRow_ = MakeOctetRow(tcp, 42);
  MakeLabel("Subnet Mask", tcp, 10, 68, 180);
  subnetRow_ = MakeOctetRow(tcp, 88);
  MakeLabel("Default Gateway", tcp, 10, 114, 180);
  gatewayRow_ = MakeOctetRow(tcp, 134);
  MakeLabel("TCP Port", tcp, 10, 164, 88);
  tcpPort = MakeTextField(tcp);
  tcpPort->setGeometry(10 + 2 * kOctetPitch, 164, kOctetWidth + kOctetPitch, kFieldHeight);
  E_IP1 = ipRow_[0], E_IP2 = ipRow_[1], E_IP3 = ipRow_[2], E_IP4 = ipRow_[3];
  E_SUB1 = subnetRow_[0], E_SUB2 = subnetRow_[1], E_SUB3 = subnetRow_[2], E_SUB4 = subnetRow_[3];
  E_GAT1 = gatewayRow_[0], E_GAT2 = gatewayRow_[1], E_GAT3 = gatewayRow_[2], E_GAT4 = gatewayRow_[3];
}

// The device's two SNMP community names.
void TFpargen::BuildSnmpGroup(QWidget* content) {
  constexpr int kFieldX = 100;
  constexpr int kFieldWidth = 96;
  auto* snmp = new QGroupBox("SNMP", content);
  snmp->setGeometry(kRightGroupX, kSnmpGroupTop, kGroupWidth,
                    kGroupTop + kTcpGroupHeight - kSnmpGroupTop);
  MakeLabel("SNMP Public", snmp, 10, 22, 88);
  snmpPublic = MakeTextField(snmp);
  snmpPublic->setGeometry(kFieldX, 22, kFieldWidth, kFieldHeight);
  MakeLabel("SNMP Private", snmp, 10, 45, 88);
  snmpPrivate = MakeTextField(snmp);
  snmpPrivate->setGeometry(kFieldX, 45, kFieldWidth, kFieldHeight);
  for (QLineEdit* name : {snmpPublic, snmpPrivate})
    name->setMaxLength(static_cast<int>(kCommunityNameLength));
}

void TFpargen::OrderAndNameControls() {
  QWidget* order[] = {RoutingMode, NatMode,    E_IP1,      E_IP2,       E_IP3,   E_IP4,   E_SUB1,
                      E_SUB2,      E_SUB3,     E_SUB4,     E_GAT1,      E_GAT2,  E_GAT3,  E_GAT4,
                      tcpPort,     CB_Baud,    CB_Par,     E_Time,      SE_Address, snmpPublic,
                      snmpPrivate, E_Offset,   BitBtn1,    BitBtn2};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  for (QWidget* control : order) control->installEventFilter(this);
  const std::pair<QWidget*, const char*> names[] = {
      {E_IP1, "E_IP1"},         {E_IP2, "E_IP2"},     {E_IP3, "E_IP3"},   {E_IP4, "E_IP4"},
      {E_SUB1, "E_SUB1"},       {E_SUB2, "E_SUB2"},   {E_SUB3, "E_SUB3"}, {E_SUB4, "E_SUB4"},
      {SE_Address, "SE_Address"}, {CB_Baud, "CB_Baud"}, {CB_Par, "CB_Par"}, {E_Time, "E_Time"},
      {E_Offset, "E_Offset"},   {RG_Mode, "RG_Mode"}, {BitBtn1, "BitBtn1"}, {BitBtn2, "BitBtn2"},
      {E_GAT1, "E_GAT1"},       {E_GAT2, "E_GAT2"},   {E_GAT3, "E_GAT3"}, {E_GAT4, "E_GAT4"},
      {tcpPort, "tcpPort"},     {snmpPublic, "snmpPublic"}, {snmpPrivate, "snmpPrivate"}};
  for (const auto& [control, name] : names) control->setObjectName(name);
}

void TFpargen::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // the window system re-showing it is no opening
  FitToScreen();
  qt::CentreOnScreen(this);
  FormShow();
}

void TFpargen::FitToScreen() {
  const QSize size = qt::SizeWithinScreen(this, QSize(kClientWidth, kContentHeight));
  setFixedSize(size);
  ScrollBox->setGeometry(0, 0, size.width(), size.height());
}

void TFpargen::FormShow() {
  SetDefaults();
  try {
    Load(ReadGeneralParameters(store_.Fields().ParGenPath));
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
  }
  ScrollBox->verticalScrollBar()->setValue(0);
  E_IP1->setFocus(Qt::OtherFocusReason);
  E_IP1->selectAll();
}

void TFpargen::SetDefaults() { Load(GeneralParameters{}); }

void TFpargen::Load(const GeneralParameters& values) {
  for (int i = 0; i < 4; ++i) {
    ipRow_[i]->setText(Text(values.ip[i]));
    subnetRow_[i]->setText(Text(values.subnet[i]));
    gatewayRow_[i]->setText(Text(values.gateway[i]));
  }
  tcpPort->setText(QString::number(values.tcpPort));
  snmpPublic->setText(Text(values.snmpPublic));
  snmpPrivate->setText(Text(values.snmpPrivate));
  held_ = values;
  SE_Address->SetAddress(values.addressRtu);
  CB_Baud->setCurrentIndex(values.baudIndex >= 0 && values.baudIndex < CB_Baud->count()
                               ? values.baudIndex
                               : -1);
  CB_Par->setCurrentIndex(values.parityIndex >= 0 && values.parityIndex < CB_Par->count()
                              ? values.parityIndex
                              : -1);
  E_Time->setText(Text(values.timeOut));
  E_Offset->setText(Text(values.offset));
  (values.natMode ? NatMode : RoutingMode)->setChecked(true);
}

GeneralParameters TFpargen::Values() const {
  GeneralParameters values = held_;
  for (int i = 0; i < 4; ++i) {
    values.ip[i] = Text(ipRow_[i]);
    values.subnet[i] = Text(subnetRow_[i]);
    values.gateway[i] = Text(gatewayRow_[i]);
  }
  // A port that is no integer fails the check as one out of range does.
  values.tcpPort = ParseInteger(Text(tcpPort)).value_or(-1);
  values.snmpPublic = Text(snmpPublic);
  values.snmpPrivate = Text(snmpPrivate);
  values.addressRtu = SE_Address->Address();
  values.baudIndex = CB_Baud->currentIndex();
  values.parityIndex = CB_Par->currentIndex();
  values.timeOut = Text(E_Time);
  values.offset = Text(E_Offset);
  values.natMode = !RoutingMode->isChecked();
  return values;
}

bool TFpargen::ValidateFields() {
  if (const std::optional<GeneralParameterFault> fault = FirstFaultyField(Values())) {
    services_.messages.ShowError(fault->message);
    // The refused field takes the keyboard with its text selected, to be retyped.
    QLineEdit* field = FieldOf(*fault);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return false;
  }
  return true;
}

QLineEdit* TFpargen::FieldOf(const GeneralParameterFault& fault) const {
  switch (fault.field) {
    case GeneralParameterField::Ip: return ipRow_[fault.octet];
    case GeneralParameterField::Subnet: return subnetRow_[fault.octet];
    case GeneralParameterField::Gateway: return gatewayRow_[fault.octet];
    case GeneralParameterField::TcpPort: return tcpPort;
    case GeneralParameterField::TimeOut: return E_Time;
    case GeneralParameterField::Offset: break;
  }
  return E_Offset;
}

bool TFpargen::BitBtn1Click() {
  // Without a project the document would land in PROJECTS itself.
  if (!store_.HasProject()) {
    services_.messages.ShowMessage(std::string(kNoProjectMessage));
    return false;
  }
  // Taking the focus first makes the address field pull its text into range.
  BitBtn1->setFocus(Qt::OtherFocusReason);
  SE_Address->PullIntoRange();
  if (!ValidateFields()) return false;
  const GeneralParameters values = Values();
  try {
    WriteGeneralParameters(store_.Fields().ParGenPath, values);
  } catch (const Error& error) {
    services_.messages.ShowGeneralError(error.what());
    return false;
  }
  emit TranslateTableAllowed(values.natMode);
  accept();
  emit PingAddressChanged(E_IP1->text() + "." + E_IP2->text() + "." + E_IP3->text() + "." +
                          E_IP4->text());
  return true;
}

void TFpargen::BitBtn2Click() {
  if (Values() != held_) {
    if (!services_.messages.AskYesNo(kDiscardQuestion)) return;
    // The question and the dialog close together, and the window manager
    // may then leave no window with the keyboard: give it to the main window.
    QDialog::reject();
    if (QWidget* owner = parentWidget()) owner->activateWindow();
    return;
  }
  QDialog::reject();
}

void TFpargen::reject() { BitBtn2Click(); }

const std::array<QLineEdit*, 4>* TFpargen::RowOf(const QWidget* field) const {
  for (const auto* row : {&ipRow_, &subnetRow_, &gatewayRow_})
    if (std::find(row->begin(), row->end(), field) != row->end()) return row;
  return nullptr;
}

bool TFpargen::PasteAddress(QLineEdit* field, const QString& text) {
  const auto* row = RowOf(field);
  const auto parts = PastedAddressParts(text.toStdString());
  if (!row || !parts) return false;
  for (int i = 0; i < 4; ++i) (*row)[i]->setText(Text((*parts)[i]));
  field->selectAll();
  return true;
}

bool TFpargen::E_IP1KeyPress(QLineEdit* field, QKeyEvent* key) {
  if (key->matches(QKeySequence::Paste))
    return PasteAddress(field, QGuiApplication::clipboard()->text());
  if (key->text() != ".") return false;
  for (const auto* row : {&ipRow_, &subnetRow_, &gatewayRow_})
    for (int i = 0; i < 3; ++i)
      if ((*row)[i] == field) {
        QLineEdit* next = (*row)[i + 1];
        if (next->isEnabled() && next->isVisible() && next->focusPolicy() != Qt::NoFocus)
          next->setFocus(Qt::TabFocusReason);
      }
  return true;
}

bool TFpargen::eventFilter(QObject* watched, QEvent* event) {
  auto* field = qobject_cast<QLineEdit*>(watched);
  if (event->type() == QEvent::KeyPress && field && RowOf(field))
    return E_IP1KeyPress(field, static_cast<QKeyEvent*>(event));
  if (event->type() == QEvent::ContextMenu && field && RowOf(field)) {
    // The menu's Paste fills the row as Ctrl+V does.
    std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
    for (QAction* action : menu->actions())
      if (action->text().startsWith(QCoreApplication::translate("QLineEdit", "&Paste"))) {
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, field, [this, field] {
          if (!PasteAddress(field, QGuiApplication::clipboard()->text())) field->paste();
        });
      }
    menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }

  if (event->type() == QEvent::FocusIn) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (watched == RoutingMode || watched == NatMode) {
      // The two choices are one stop of the keyboard order, at the chosen one.
      QRadioButton* chosen = RoutingMode->isChecked() ? RoutingMode : NatMode;
      if (watched != chosen && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)) {
        chosen->setFocus(reason);
        return true;
      }
    }
    // Scroll so that the control and its whole group are in view.
    if (auto* control = qobject_cast<QWidget*>(watched)) {
      QWidget* shown = control;
      for (QWidget* w = control; w && w != ScrollBox->widget(); w = w->parentWidget())
        if (qobject_cast<QGroupBox*>(w)) shown = w;
      ScrollBox->ensureWidgetVisible(shown, 0, kGroupTop);
    }
    // A field entered from the keyboard gets its whole text selected, so what
    // is typed next replaces it.
    if (field && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                  reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason))
      field->selectAll();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace fabrion
