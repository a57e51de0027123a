#include "project/project_store.h"

#include <filesystem>

#include "platform/error.h"
#include "platform/folder_picker.h"
#include "platform/paths.h"
#include "platform/profile_file.h"

namespace fabrion {
namespace {

constexpr std::string_view kIniSection = "lastproj";
constexpr std::string_view kIniKey = "projectname";

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string WithoutTrailingSeparator(std::string_view path) {
  std::string result(path);
  while (result.size() > 1 && IsSeparator(result.back())) result.pop_back();
  return result;
}

}  // namespace

bool HoldsUnusableCharacter(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F || c == '"') return true;
    // U+0080 to U+009F, the C1 control characters, in UTF-8.
    if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F &&
        static_cast<unsigned char>(name[i + 1]) >= 0x80)
      return true;
  }
  return false;
}

bool IsUsableProjectName(std::string_view name) {
  return !EscapesProjectsFolder(name) && !HoldsUnusableCharacter(name);
}

bool EscapesProjectsFolder(std::string_view name) {
  if (name.empty()) return false;
  if (IsSeparator(name.front())) return true;
  if (name.size() >= 2 && name[1] == ':' &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
    return true;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (name.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

bool ProjectStore::HasProject() const {
  return !fields_.ProjectDir.empty() && fields_.ProjectDir != fields_.ProjectsDir;
}

std::string ProjectStore::IniPath() const { return JoinPath(fields_.ProgramDir, kIniFileName); }

std::string ProjectStore::LoadLastProject(std::string_view programDir) {
  ProjectFields& f = fields_;
  f.ProgramDir = WithoutTrailingSeparator(programDir);
  f.MasterDir = JoinPath(f.ProgramDir, kMasterFolderName);
  if (!DirectoryExists(f.MasterDir)) CreateOneDirectory(f.MasterDir);
  f.ProjectsDir = JoinPath(f.ProgramDir, kProjectsFolderName);
  if (!DirectoryExists(f.ProjectsDir)) CreateOneDirectory(f.ProjectsDir);

  f.ProjectName = ReadProfileString(IniPath(), kIniSection, kIniKey);
  // A name remembered by the Windows program starts with a backslash.
  if (kPathSeparator != '\\' && !f.ProjectName.empty() && f.ProjectName.front() == '\\')
    f.ProjectName.front() = kPathSeparator;
  if (!f.ProjectName.empty() && f.ProjectName.front() != kPathSeparator)
    f.ProjectName.insert(f.ProjectName.begin(), kPathSeparator);

  // A remembered name is held to the rules of a typed one (its leading
  // separator aside): one that leaves PROJECTS or could not have been typed
  // is not restored, as if its folder had gone.
  std::string title(kBaseTitle);
  if (!f.ProjectName.empty() && IsUsableProjectName(std::string_view(f.ProjectName).substr(1)) &&
      DirectoryExists(f.ProjectsDir + f.ProjectName)) {
    f.ProjectDir = f.ProjectsDir + f.ProjectName;
    title += " : " + f.ProjectName;
  } else {
    f.ProjectDir = f.ProjectsDir;
  }
  UpdateDocumentPaths();
  return title;
}

void ProjectStore::SaveLastProject() const {
  try {
    WriteProfileString(IniPath(), kIniSection, kIniKey, fields_.ProjectName);
  } catch (const Error&) {
    throw Error("Unable to write to " + IniPath());
  }
}

void ProjectStore::UpdateDocumentPaths() {
  fields_.ParGenPath = JoinPath(fields_.ProjectDir, "pargen.xml");
  fields_.VarPath = JoinPath(fields_.ProjectDir, "var.xml");
}

OpenProjectAttempt ProjectStore::OpenProject(FolderPicker& picker) {
  const ProjectFields before = fields_;
  ProjectFields& f = fields_;
  if (!DirectoryExists(f.ProjectDir)) f.ProjectDir.clear();
  if (auto chosen = picker.PickFolder(std::string(kOpenProjectTitle), f.ProjectsDir, f.ProjectDir))
    f.ProjectDir = WithoutTrailingSeparator(*chosen);
  f.ProjectName = f.ProjectDir.size() > f.ProjectsDir.size()
                      ? f.ProjectDir.substr(f.ProjectsDir.size())
                      : std::string();
  // A folder whose name could not be typed as a project name is refused,
  // and the project stays as it was before the picker opened.
  if (HoldsUnusableCharacter(f.ProjectName)) {
    fields_ = before;
    return {std::nullopt, "Name project not valid"};
  }
  UpdateDocumentPaths();
  return {ChangedTitle(), {}};
}

std::string ProjectStore::ChangedTitle() const {
  return std::string(kBaseTitle) + " :" + fields_.ProjectName;
}

NewProjectAttempt ProjectStore::CreateProject(const std::string& destination,
                                              const std::string& typedName) {
  NewProjectAttempt attempt;
  attempt.mayClose = true;
  if (destination.empty()) {
    attempt.messages.emplace_back("directory destination not valid");
    attempt.mayClose = false;
  }
  if (typedName.empty()) {
    attempt.messages.emplace_back("Name project not valid");
    attempt.mayClose = false;
  }
  if (!attempt.mayClose) return attempt;

  if (EscapesProjectsFolder(typedName) || HoldsUnusableCharacter(typedName)) {
    attempt.messages.emplace_back(
        EscapesProjectsFolder(typedName)
            ? "Name project not valid: the project must stay inside the PROJECTS folder (no \"..\", "
              "no drive, no leading \"/\" or \"\\\")."
            : "Name project not valid: a control character or a double quote cannot be part of it.");
    attempt.mayClose = false;
    return attempt;
  }
  const std::string folder = JoinPath(destination, typedName);
  if (DirectoryExists(folder)) {
    attempt.messages.emplace_back("Name project not valid because directory already exists");
    attempt.mayClose = false;
    return attempt;
  }
  if (!CreateOneDirectory(folder)) {
    // A name with a separator makes one folder inside another, which must exist.
    const std::size_t last = typedName.find_last_of("/\\");
    if (last != std::string::npos && !DirectoryExists(JoinPath(destination, typedName.substr(0, last))))
      attempt.messages.push_back("Name project not valid: \"" + typedName.substr(0, last) +
                                 "\" is not a folder in PROJECTS (\"/\" and \"\\\" separate folders).");
    else
      attempt.messages.push_back("The project folder \"" + folder + "\" cannot be created.");
    attempt.mayClose = false;
    return attempt;
  }
  CreateDirectories(JoinPath(folder, "bin"));
  fields_.ProjectName = typedName;
  fields_.ProjectDir = folder;
  UpdateDocumentPaths();
  attempt.created = true;
  return attempt;
}

void ProjectStore::UndoCreateProject(const ProjectFields& before) {
  std::error_code notEmpty;  // what something else put there stays
  std::filesystem::remove(ToFsPath(JoinPath(fields_.ProjectDir, "bin")), notEmpty);
  std::filesystem::remove(ToFsPath(fields_.ProjectDir), notEmpty);
  fields_ = before;
}

}  // namespace fabrion
