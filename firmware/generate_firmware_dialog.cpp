#include "firmware/generate_firmware_dialog.h"

#include "platform/qt/look.h"

namespace fabrion {

TFModifyFileSx::TFModifyFileSx(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setWindowTitle("Generate Firmware");
  qt::MakeToolWindow(this, 430, 224);
  qt::ApplyLook(this);
}

}  // namespace fabrion
