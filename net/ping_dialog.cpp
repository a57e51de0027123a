#include "net/ping_dialog.h"

#include "platform/qt/look.h"

namespace fabrion {

TFPing::TFPing(QWidget* parent) : QDialog(parent) {
  qt::ApplyLook(this);
  setFixedSize(250, 98);
}

}  // namespace fabrion
