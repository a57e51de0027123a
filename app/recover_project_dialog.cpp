#include "app/recover_project_dialog.h"

namespace fabrion {

void RecoverProjectDialog::showEvent(QShowEvent* event) {
  TFsaveproj::showEvent(event);
  setWindowTitle("Recover project");
}

}  // namespace fabrion
