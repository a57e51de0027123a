#include "editors/address_spin_box.h"

#include <QLineEdit>
#include <QLocale>
#include <algorithm>

#include "documents/integer_rule.h"
#include "documents/general_parameter_checks.h"

namespace fabrion {

AddressSpinBox::AddressSpinBox(QWidget* parent) : QAbstractSpinBox(parent) {
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setAccelerated(false);
  SetAddress(kMinRtuAddress);
}

int AddressSpinBox::Address() const { return RtuAddressOf(text().toStdString()); }

void AddressSpinBox::SetAddress(int address) {
  lineEdit()->setText(QString::number(PullIntoRtuAddressRange(address)));
}

void AddressSpinBox::PullIntoRange() {
  const std::optional<std::int32_t> value = ParseInteger(text().toStdString());
  if (!value) return;  // a text that is no integer stays as typed
  const int pulled = PullIntoRtuAddressRange(*value);
  if (pulled != *value) lineEdit()->setText(QString::number(pulled));
}

void AddressSpinBox::stepBy(int steps) {
  const long long stepped = static_cast<long long>(Address()) + steps;
  const int address = static_cast<int>(
      std::clamp<long long>(stepped, kMinRtuAddress, kMaxRtuAddress));
  lineEdit()->setText(QString::number(address));
  lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled AddressSpinBox::stepEnabled() const {
  if (isReadOnly()) return StepNone;
  StepEnabled enabled = StepNone;
  const int address = Address();
  if (address < kMaxRtuAddress) enabled |= StepUpEnabled;
  if (address > kMinRtuAddress) enabled |= StepDownEnabled;
  return enabled;
}

QValidator::State AddressSpinBox::validate(QString& input, int&) const {
  const QString separator = locale().decimalPoint();
  for (const QChar c : input)
    if ((c < u'0' || c > u'9') && c != u'+' && c != u'-' && !separator.contains(c)) return QValidator::Invalid;
  return QValidator::Acceptable;
}

void AddressSpinBox::fixup(QString&) const {}

void AddressSpinBox::focusOutEvent(QFocusEvent* event) {
  QAbstractSpinBox::focusOutEvent(event);
  PullIntoRange();
}

}  // namespace fabrion
