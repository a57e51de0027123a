#pragma once
// Start-up: the platform services, the main window and every dialog, each
// created once in the program's fixed order.
#include <memory>

#include "app/main_window.h"
#include "platform/clock.h"
#include "platform/qt/qt_event_pump.h"
#include "platform/qt/qt_file_chooser.h"
#include "platform/qt/qt_message_boxes.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/rooted_folder_picker.h"
#include "project/project_store.h"

namespace fabrion {

// The name of the desktop entry the installer writes ("fabrion.desktop").
inline constexpr const char* kDesktopEntryName = "fabrion";

// Before the first window: the application title (the class of its windows),
// its desktop entry and its icon on every window. No display name is set:
// window systems would append it to every title.
void SetUpApplication();

// The windows of one run; the main window owns the dialogs.
struct ProgramWindows {
  std::unique_ptr<TFFabrioneFirmWare> main;
  TFFabrioneFirmWare::Dialogs dialogs;
};

// Creates the main window for programDir (its FormCreate restores the last
// project), then the dialogs in order, and wires them together.
ProgramWindows CreateProgramWindows(ProjectStore& store, Services services,
                                    const std::string& programDir);

}  // namespace fabrion
