#include "app/project_tools_menu.h"

#include <QMenu>
#include <QPushButton>

#include "app/compare_window.h"
#include "app/main_window.h"
#include "app/recover_project_dialog.h"
#include "readback/image_decoding.h"
#include "readback/image_diff.h"
#include "readback/image_file.h"
#include "readback/image_recovery.h"
#include "readback/project_report.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/file_chooser.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/qt/look.h"
#include "platform/shell.h"
#include "project/project_store.h"

namespace fabrion {
namespace {

constexpr const char* kFirmwareFilter =
    "Firmware or bank files (*.sx *.s19 *.s28 *.s37 *.srec *.mot *.bin);;All files (*)";
constexpr int kMenuButtonX = 566 - 73;  // left of About (566 - 50) and "X" (566 - 27)

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

ProjectToolsMenu::ProjectToolsMenu(TFFabrioneFirmWare& main, ProjectStore& store, Services services)
    : QObject(&main), main_(main), store_(store), services_(services) {
  button_ = qt::MakeFlatButton(QString::fromUtf8("\xE2\x98\xB0"), QStyle::SP_CustomBase, &main);
  button_->setIcon(QIcon());
  button_->setGeometry(kMenuButtonX, 4, 21, 19);
  button_->setStyleSheet(button_->styleSheet() +
                         "QPushButton { padding: 0px; } QPushButton::menu-indicator { image: none; width: 0px; }");
  button_->setToolTip("Recover, compare, report");
  button_->setAccessibleName("Menu");

  menu_ = new QMenu(button_);
  connect(menu_->addAction(QString::fromUtf8("Recover project from firmware\xE2\x80\xA6")),
          &QAction::triggered, this, &ProjectToolsMenu::recoverProject);
  connect(menu_->addAction(QString::fromUtf8("Compare with firmware\xE2\x80\xA6")),
          &QAction::triggered, this, &ProjectToolsMenu::compareWithFirmware);
  connect(menu_->addAction(QString::fromUtf8("Project report\xE2\x80\xA6")), &QAction::triggered,
          this, &ProjectToolsMenu::writeReport);
  button_->setMenu(menu_);
}

RecoverProjectDialog& ProjectToolsMenu::RecoverDialog() {
  if (!recoverDialog_) recoverDialog_ = new RecoverProjectDialog(store_, services_, &main_);
  return *recoverDialog_;
}

CompareWindow& ProjectToolsMenu::Compare() {
  if (!compare_) compare_ = new CompareWindow(&main_);
  return *compare_;
}

bool ProjectToolsMenu::HasProject() {
  if (store_.Fields().ProjectDir.empty()) {
    services_.messages.ShowMessage("Project not valid");
    return false;
  }
  if (!store_.HasProject()) {
    services_.messages.ShowMessage(std::string(kNoProjectMessage));
    return false;
  }
  return true;
}

void ProjectToolsMenu::recoverProject() {
  const auto file = services_.files.ChooseFileToOpen("Recover project from firmware",
                                                     store_.Fields().ProjectsDir, kFirmwareFilter);
  if (!file) return;
  Recovery recovery;
  try {
    recovery = RecoverDocuments(ReadConfigImageFile(*file));
  } catch (const Error& e) {
    services_.messages.ShowGeneralError(e.what());
    return;
  }
  if (!recovery.documents) {
    std::vector<std::string> reasons;
    for (const std::string& refusal : recovery.refusals) reasons.push_back(refusal + ".");
    ShowNotes("No project can be recovered from \"" + *file +
                  "\": no documents of the program's form build its image.",
              reasons, true);
    return;
  }
  const RecoveredDocuments& documents = *recovery.documents;

  RecoverProjectDialog& dialog = RecoverDialog();
  dialog.SetDestination(store_.Fields().ProjectsDir);
  const ProjectFields before = store_.Fields();
  dialog.SetProjectCreatedHook([this, &documents, &before] {
    try {
      WriteRecoveredDocuments(store_.Fields().ProjectDir, documents);
      return true;
    } catch (const Error& e) {
      // Nothing of a failed recover stays: the dialog stays open for another
      // name or Cancel, and the project from before is current again.
      store_.UndoCreateProject(before);
      services_.messages.ShowGeneralError(e.what());
      return false;
    }
  });
  const bool created = dialog.exec() == QDialog::Accepted;
  dialog.SetProjectCreatedHook({});
  main_.setWindowTitle(QString::fromStdString(store_.ChangedTitle()));
  if (!created) return;

  // As after New project: the Translate Table step follows the mode and the
  // ping field the gateway's address.
  const GeneralParameters& general = documents.general;
  main_.SetTranslateTableEnabled(general.natMode);
  main_.SetPingAddress(Utf8(general.ip[0] + "." + general.ip[1] + "." + general.ip[2] + "." + general.ip[3]));
  std::string text = "Project \"" + store_.Fields().ProjectName + "\" recovered from \"" + *file +
                     "\".\nBuild date and time in the image: " + documents.buildStamp + ".\n" +
                     EmptyMnemonicsNote(documents.rows.size());
  ShowNotes(text, documents.notes, false);
}

void ProjectToolsMenu::ShowNotes(const std::string& text, const std::vector<std::string>& notes,
                                 bool error) {
  constexpr std::size_t kNotesInABox = 8;  // more would push the box's OK off the screen
  std::string all = text;
  for (const std::string& note : notes) all += "\n" + note;
  const std::string box = notes.size() <= kNotesInABox
                              ? all
                              : text + "\n" + std::to_string(notes.size()) +
                                    " notes follow in a window of their own.";
  error ? services_.messages.ShowGeneralError(box) : services_.messages.ShowMessage(box);
  if (notes.size() <= kNotesInABox) return;
  if (!notes_) {
    notes_ = new CompareWindow(&main_);
    notes_->setWindowTitle("Recover project from firmware");
  }
  notes_->ShowText(Utf8(all + "\n"));
  notes_->exec();
}

void ProjectToolsMenu::compareWithFirmware() {
  if (!HasProject()) return;
  const std::string& projectDir = store_.Fields().ProjectDir;
  const auto file =
      services_.files.ChooseFileToOpen("Compare with firmware", projectDir, kFirmwareFilter);
  if (!file) return;
  Differences differences;
  try {
    const Configuration firmware = ReadConfiguration(*file);
    differences = CompareConfigurations(firmware, ReadConfiguration(projectDir));
  } catch (const Error& e) {
    services_.messages.ShowGeneralError(e.what());
    return;
  }
  std::string text = "Firmware: " + *file + "\nProject: " + projectDir + "\n\n";
  const std::size_t count = differences.configuration.size();
  if (count == 0) {
    text += "The same configuration: the gateway gets the project's configuration from this file "
            "(its build date and time aside).\n";
  } else {
    text += std::to_string(count) + (count == 1 ? " difference" : " differences") +
            ", the firmware's value first:\n";
    for (const std::string& line : differences.configuration) text += line + "\n";
  }
  CompareWindow& window = Compare();
  window.ShowText(Utf8(text));
  window.exec();
}

void ProjectToolsMenu::writeReport() {
  if (!HasProject()) return;
  const std::string& projectDir = store_.Fields().ProjectDir;
  const std::string path = JoinPath(projectDir, kReportFileName);
  try {
    WriteFileAtomically(path, ProjectReportHtml(projectDir, services_.clock.Now()));
  } catch (const Error& e) {
    services_.messages.ShowGeneralError(e.what());
    return;
  }
  // Say where it went, whether a browser took it, and offer its folder.
  const bool opened = services_.shell.OpenUrl(FileUrl(path));
  const std::string where = std::string(kReportFileName) + " was written to \"" + path + "\".";
  if (services_.messages.AskYesNo(where + (opened ? "" : " No browser could be opened for it.") +
                                  "\n\nOpen its folder?"))
    services_.shell.OpenUrl(FileUrl(projectDir));
}

}  // namespace fabrion
