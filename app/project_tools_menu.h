#pragma once
// The main window's small menu button beside About and "X": recover a
// project from a firmware or bank file, compare the current project with
// one, and write and open the project report.
#include <QObject>
#include <string>
#include <vector>

#include "platform/services.h"

class QAction;
class QMenu;
class QPushButton;

namespace fabrion {

class CompareWindow;
class ProjectStore;
class RecoverProjectDialog;
class TFFabrioneFirmWare;

// The report's file in the project folder.
inline constexpr const char* kReportFileName = "report.html";

class ProjectToolsMenu : public QObject {
  Q_OBJECT
 public:
  // Places its button on main's top right corner, left of About.
  ProjectToolsMenu(TFFabrioneFirmWare& main, ProjectStore& store, Services services);

  // "Recover project from firmware…": the file, then the new project's name;
  // the project is created under PROJECTS and made current.
  void recoverProject();
  // "Compare with firmware…": the file, then the differences in a window.
  void compareWithFirmware();
  // "Project report…": report.html in the project folder, opened in the browser.
  void writeReport();

  QPushButton* Button() const { return button_; }
  QMenu* Menu() const { return menu_; }
  // The windows, made when first needed.
  RecoverProjectDialog& RecoverDialog();
  CompareWindow& Compare();

 private:
  bool HasProject();
  // A box that holds at most a few notes; past them, the box says how many
  // and the whole text follows in a scrollable window the user can copy.
  void ShowNotes(const std::string& text, const std::vector<std::string>& notes, bool error);

  TFFabrioneFirmWare& main_;
  ProjectStore& store_;
  Services services_;
  QPushButton* button_;
  QMenu* menu_;
  RecoverProjectDialog* recoverDialog_ = nullptr;
  CompareWindow* compare_ = nullptr;
  CompareWindow* notes_ = nullptr;  // Recover's long notes and refusals
};

}  // namespace fabrion
