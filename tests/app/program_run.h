#pragma once
// One program run in a fresh program folder, and the driving of the modal
// dialogs it opens, for the tests of the main window and its windows.
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <string>

#include "app/application.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"

namespace fabrion::test {

struct Run {
  TempFolder program;
  FakePlatform platform;
  ProjectStore store;
  ProgramWindows windows;

  void Start() { windows = CreateProgramWindows(store, platform.services(), program.str()); }
  TFFabrioneFirmWare& main() { return *windows.main; }
  std::string Projects() const { return program / "PROJECTS"; }
};

// Runs `act` on the modal dialog that the next exec() opens; a dialog the
// act left open (a failed check returns early) is closed so no test hangs.
template <typename Act>
void WhenModalOpens(Act act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      QFAIL("no modal dialog opened");
      return;
    }
    act(modal);
    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible()) dialog->done(0);
  });
}

}  // namespace fabrion::test
