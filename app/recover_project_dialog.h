#pragma once
// The New project dialog, titled "Recover project": the name of the project
// a firmware or bank file is recovered into, with New project's checks and
// messages.
#include "project/new_project_dialog.h"

namespace fabrion {

class RecoverProjectDialog : public TFsaveproj {
  Q_OBJECT
 public:
  using TFsaveproj::TFsaveproj;

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace fabrion
