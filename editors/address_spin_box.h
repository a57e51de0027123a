#pragma once
// The gateway's RTU address field: a spin field that steps within 1..255,
// takes digits, signs and the decimal separator as typed, and pulls an
// integer outside 1..255 to the nearer bound when it loses the focus.
#include <QAbstractSpinBox>

namespace fabrion {

class AddressSpinBox : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit AddressSpinBox(QWidget* parent = nullptr);

  // The address the document receives: the text's integer pulled into
  // 1..255, or 1 when the text is no integer.
  int Address() const;
  void SetAddress(int address);

  // The text is an integer outside 1..255: replace it by the nearer bound.
  void PullIntoRange();

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 protected:
  StepEnabled stepEnabled() const override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace fabrion
