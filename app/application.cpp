#include "app/application.h"

#include <QApplication>

#include "app/about_dialog.h"
#include "app/application_icon.h"
#include "documents/var_document.h"
#include "editors/general_parameter_dialog.h"
#include "editors/translate_table_dialog.h"
#include "firmware/generate_firmware_dialog.h"
#include "net/ping_dialog.h"
#include "platform/error.h"
#include "platform/message_boxes.h"
#include "platform/qt/look.h"
#include "project/new_project_dialog.h"

namespace fabrion {

void SetUpApplication() {
  QApplication::setApplicationName(
      QString::fromUtf8(kApplicationTitle.data(), kApplicationTitle.size()));
  QGuiApplication::setDesktopFileName(kDesktopEntryName);
  QApplication::setWindowIcon(ApplicationIcon());
  qt::KeepResizableWindowsOnScreen();
}

ProgramWindows CreateProgramWindows(ProjectStore& store, Services services,
                                    const std::string& programDir) {
  ProgramWindows windows;
  store.Fields().ProgramDir = programDir;
  windows.main = std::make_unique<TFFabrioneFirmWare>(store, services);
  TFFabrioneFirmWare* main = windows.main.get();

  TFFabrioneFirmWare::Dialogs& d = windows.dialogs;
  d.saveproj = new TFsaveproj(store, services, main);
  d.modifyFileSx = new TFModifyFileSx(store, services, main);
  d.pargen = new TFpargen(store, services, main);
  d.setVar = new TFSetVar(store, services, main);
  d.ping = new TFPing(main);
  d.about = new TFAbout2(services, main);
  main->AttachDialogs(d);

  QObject::connect(d.pargen, &TFpargen::TranslateTableAllowed, main,
                   &TFFabrioneFirmWare::SetTranslateTableEnabled);
  QObject::connect(d.pargen, &TFpargen::PingAddressChanged, main,
                   &TFFabrioneFirmWare::SetPingAddress);
  TFpargen* pargen = d.pargen;
  d.saveproj->SetProjectCreatedHook([pargen, &store, services] {
    pargen->SetDefaults();
    if (!pargen->BitBtn1Click()) return false;
    try {
      WriteEmptyTable(store.Fields().VarPath);
    } catch (const Error& e) {
      services.messages.ShowGeneralError(e.what());
      return false;
    }
    return true;
  });
  return windows;
}

}  // namespace fabrion
