#pragma once
// "Set Translate Table": the 1400-row translate table, written to var.xml.
#include <QDialog>

#include "platform/services.h"

namespace fabrion {

class ProjectStore;

class TFSetVar : public QDialog {
  Q_OBJECT
 public:
  TFSetVar(ProjectStore& store, Services services, QWidget* parent = nullptr);

 private:
  ProjectStore& store_;
  Services services_;
};

}  // namespace fabrion
