#include "editors/general_parameter_dialog.h"

#include "platform/qt/look.h"

namespace fabrion {

TFpargen::TFpargen(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setWindowTitle("General Parameter");
  qt::MakeToolWindow(this, 457, 188);
  qt::ApplyLook(this);
}

void TFpargen::SetDefaults() {}

bool TFpargen::BitBtn1Click() { return true; }

}  // namespace fabrion
