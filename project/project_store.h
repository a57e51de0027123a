#pragma once
// Where the program, the master firmware, the projects and the current
// project's documents are, and the memory of the last project.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fabrion {

class FolderPicker;

inline constexpr std::string_view kBaseTitle = "Norvane Fabrion KT30551 RAVELIN";
inline constexpr std::string_view kIniFileName = "Fabrion.ini";
inline constexpr std::string_view kMasterFolderName = "MASTER";
inline constexpr std::string_view kProjectsFolderName = "PROJECTS";
inline constexpr std::string_view kOpenProjectTitle = "Select directory of project";

// The fields of the current project; paths use the platform's separator.
struct ProjectFields {
  std::string ProgramDir;   // folder of the executable, no trailing separator
  std::string MasterDir;    // ProgramDir + "MASTER"
  std::string ProjectsDir;  // ProgramDir + "PROJECTS"
  std::string ProjectName;  // separator + folder after restore or Open; bare after New
  std::string ProjectDir;   // current project; ProjectsDir when none was restored
  std::string ParGenPath;   // ProjectDir + "pargen.xml"
  std::string VarPath;      // ProjectDir + "var.xml"
};

// What pressing OK in the New project dialog came to.
struct NewProjectAttempt {
  std::vector<std::string> messages;  // plain messages, shown in this order
  bool mayClose = false;
  bool created = false;  // the folder exists and the project is now current
};

class ProjectStore {
 public:
  ProjectFields& Fields() { return fields_; }
  const ProjectFields& Fields() const { return fields_; }
  std::string IniPath() const;

  // Start-up: the folders (MASTER and PROJECTS made when missing), the last
  // project from the ini file; returns the window title.
  std::string LoadLastProject(std::string_view programDir);

  // Writes ProjectName to the ini file. Throws Error "Unable to write to <ini>".
  void SaveLastProject() const;

  void UpdateDocumentPaths();

  // Open project through the rooted picker; returns the new window title.
  std::string OpenProject(FolderPicker& picker);

  // New project's OK: the checks and the folders. On success the new
  // project is current; the caller then writes its default documents.
  NewProjectAttempt CreateProject(const std::string& destination, const std::string& typedName);

  // Title after New project and Open project.
  std::string ChangedTitle() const;

 private:
  ProjectFields fields_;
};

// True when the typed name would place the project outside the destination:
// an absolute path, a drive letter or a ".." component.
bool EscapesProjectsFolder(std::string_view typedName);

}  // namespace fabrion
