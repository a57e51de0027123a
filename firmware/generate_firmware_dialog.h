#pragma once
// "Generate Firmware": composes the new firmware file and starts the flash tool.
#include <QDialog>

#include "platform/services.h"

namespace fabrion {

class ProjectStore;

class TFModifyFileSx : public QDialog {
  Q_OBJECT
 public:
  TFModifyFileSx(ProjectStore& store, Services services, QWidget* parent = nullptr);

 private:
  ProjectStore& store_;
  Services services_;
};

}  // namespace fabrion
