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
// What a step that writes a project's files says when there is no project.
inline constexpr std::string_view kNoProjectMessage = "Create or open a project first.";

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

// What Open project came to: the new window title, or a refusal to show
// (the project then stays as it was).
struct OpenProjectAttempt {
  std::optional<std::string> title;
  std::string refusal;
};

class ProjectStore {
 public:
  ProjectFields& Fields() { return fields_; }
  const ProjectFields& Fields() const { return fields_; }
  std::string IniPath() const;
  // True when a project folder is current: not PROJECTS itself (the first
  // start, a remembered project that has gone) and not empty.
  bool HasProject() const;

  // Start-up: the folders (MASTER and PROJECTS made when missing), the last
  // project from the ini file; returns the window title.
  std::string LoadLastProject(std::string_view programDir);

  // Writes ProjectName to the ini file. Throws Error "Unable to write to <ini>".
  void SaveLastProject() const;

  void UpdateDocumentPaths();

  // Open project through the rooted picker. A chosen folder whose name
  // holds a control character or a double quote is refused.
  OpenProjectAttempt OpenProject(FolderPicker& picker);

  // New project's OK: the checks and the folders. On success the new
  // project is current; the caller then writes its default documents.
  NewProjectAttempt CreateProject(const std::string& destination, const std::string& typedName);
  // Takes back a CreateProject whose documents could not be written: its
  // folder and bin go again when they hold nothing, and `before` (the fields
  // from before it) is current again.
  void UndoCreateProject(const ProjectFields& before);

  // Title after New project and Open project.
  std::string ChangedTitle() const;

 private:
  ProjectFields fields_;
};

// True when the typed name would place the project outside the destination:
// an absolute path, a drive letter or a ".." component.
bool EscapesProjectsFolder(std::string_view typedName);

// True when the name holds a control character (C0, DEL or C1), which breaks
// the ini file's lines, or a double quote, which the flash tool's quoted
// parameter cannot carry.
bool HoldsUnusableCharacter(std::string_view name);

// A name a project may have: it stays inside PROJECTS and holds no
// unusable character.
bool IsUsableProjectName(std::string_view name);

}  // namespace fabrion
