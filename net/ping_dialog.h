#pragma once
// The Ping result window: one sign, a line of text and "OK".
#include <QDialog>

namespace fabrion {

class TFPing : public QDialog {
  Q_OBJECT
 public:
  explicit TFPing(QWidget* parent = nullptr);
};

}  // namespace fabrion
