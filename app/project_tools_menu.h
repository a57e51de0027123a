#pragma once
// The main window's small menu button beside About and "X": recover a
// project from a firmware or bank file, compare the current project with
// one, and write and open the project report.
#include <QObject>

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

  TFFabrioneFirmWare& main_;
  ProjectStore& store_;
  Services services_;
  QPushButton* button_;
  QMenu* menu_;
  RecoverProjectDialog* recoverDialog_ = nullptr;
  CompareWindow* compare_ = nullptr;
};

}  // namespace fabrion
