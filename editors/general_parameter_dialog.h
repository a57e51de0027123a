#pragma once
// "General Parameter": the gateway's general parameters, written to pargen.xml.
#include <QDialog>
#include <array>

#include "documents/general_parameter_checks.h"
#include "documents/pargen_document.h"
#include "platform/services.h"

class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace fabrion {

class AddressSpinBox;
class ProjectStore;

class TFpargen : public QDialog {
  Q_OBJECT
 public:
  TFpargen(ProjectStore& store, Services services, QWidget* parent = nullptr);

  // The dialog opens: the defaults, then pargen.xml over them. A file that
  // cannot be read is reported in the general error box and the defaults stay.
  void FormShow();
  // Every field and held value back to its default; nothing outside the dialog.
  void SetDefaults();
  // The checks in their order; the first fault is shown in the error box.
  bool ValidateFields();
  // OK: validates, writes pargen.xml, tells the main window, closes.
  // False when a check failed or the document could not be written (the
  // message was shown and the dialog stays open).
  bool BitBtn1Click();
  // Cancel: closes; nothing is written and the main window is unchanged.
  // When a field differs from what the opening showed, asks first; No keeps
  // the dialog open with the changes.
  void BitBtn2Click();
  // Escape and the window manager's close are Cancel.
  void reject() override;
  // The key handler of the eight octet fields: "." moves to the next field
  // of the row and is never inserted. True when the key was consumed.
  bool E_IP1KeyPress(QLineEdit* field, QKeyEvent* key);

  // The 21 values as the fields and the held values stand.
  GeneralParameters Values() const;

  QLineEdit* E_IP1;
  QLineEdit* E_IP2;
  QLineEdit* E_IP3;
  QLineEdit* E_IP4;
  QLineEdit* E_SUB1;
  QLineEdit* E_SUB2;
  QLineEdit* E_SUB3;
  QLineEdit* E_SUB4;
  QLineEdit* E_GAT1;  // "Default Gateway"
  QLineEdit* E_GAT2;
  QLineEdit* E_GAT3;
  QLineEdit* E_GAT4;
  QLineEdit* tcpPort;      // "TCP Port", 1 to 65535
  QLineEdit* snmpPublic;   // "SNMP Public", at most 13 characters
  QLineEdit* snmpPrivate;  // "SNMP Private"
  AddressSpinBox* SE_Address;
  QComboBox* CB_Baud;
  QComboBox* CB_Par;
  QLineEdit* E_Time;
  QLineEdit* E_Offset;
  QGroupBox* RG_Mode;
  QRadioButton* RoutingMode;
  QRadioButton* NatMode;
  QPushButton* BitBtn1;  // OK
  QPushButton* BitBtn2;  // Cancel
  QScrollArea* ScrollBox;

 signals:
  // OK's effects on the main window: the Translate Table button by the mode,
  // then the ping address joined from the four IP texts.
  void TranslateTableAllowed(bool allowed);
  void PingAddressChanged(const QString& address);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Tab order, key handling and object names of the fields and buttons.
  void BuildTcpGroup(QWidget* content);
  void BuildSnmpGroup(QWidget* content);
  void OrderAndNameControls();
  void Load(const GeneralParameters& values);
  // Fills the row of field with a dotted address pasted into it; false
  // (nothing changed) for any other text.
  bool PasteAddress(QLineEdit* field, const QString& text);
  const std::array<QLineEdit*, 4>* RowOf(const QWidget* field) const;
  // The field a refusal names, for the focus.
  QLineEdit* FieldOf(const GeneralParameterFault& fault) const;
  // The dialog's size: all of it, or as much as the screen holds (it scrolls).
  void FitToScreen();

  ProjectStore& store_;
  Services services_;
  GeneralParameters held_;  // what the opening showed; Cancel compares with it
  std::array<QLineEdit*, 4> ipRow_{};
  std::array<QLineEdit*, 4> subnetRow_{};
  std::array<QLineEdit*, 4> gatewayRow_{};
};

}  // namespace fabrion
