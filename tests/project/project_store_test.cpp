#include "project/project_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/profile_file.h"

namespace fabrion {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;
namespace fs = std::filesystem;

const std::string kSep(1, kPathSeparator);
const std::string kBase(kBaseTitle);

struct StoreFixture : ::testing::Test {
  TempFolder program;
  ProjectStore store;
  std::string Load() { return store.LoadLastProject(program.str()); }
  std::string Projects() const { return program / "PROJECTS"; }
  void Remember(const std::string& iniText) { WriteFileBytes(program / "Fabrion.ini", iniText); }
};

// ---- start-up ----

TEST_F(StoreFixture, FirstStartCreatesFoldersAndFallsBackToProjectsFolder) {
  EXPECT_EQ(Load(), kBase);
  const ProjectFields& f = store.Fields();
  EXPECT_EQ(f.ProgramDir, program.str());
  EXPECT_EQ(f.MasterDir, program / "MASTER");
  EXPECT_EQ(f.ProjectsDir, Projects());
  EXPECT_TRUE(fs::is_directory(f.MasterDir));
  EXPECT_TRUE(fs::is_directory(f.ProjectsDir));
  EXPECT_EQ(f.ProjectName, "");
  EXPECT_EQ(f.ProjectDir, Projects());
  EXPECT_EQ(f.ParGenPath, Projects() + kSep + "pargen.xml");
  EXPECT_EQ(f.VarPath, Projects() + kSep + "var.xml");
}

TEST_F(StoreFixture, TrailingSeparatorOfProgramFolderIsDropped) {
  store.LoadLastProject(program.str() + kSep);
  EXPECT_EQ(store.Fields().ProgramDir, program.str());
}

TEST_F(StoreFixture, NameWithAndWithoutLeadingSeparatorRestoreTheSameProject) {
  fs::create_directories(Projects() + kSep + "gw1");
  for (const std::string& remembered : {std::string("gw1"), kSep + "gw1", std::string("\\gw1")}) {
    Remember("[lastproj]\r\nprojectname=" + remembered + "\r\n");
    EXPECT_EQ(Load(), kBase + " : " + kSep + "gw1") << "remembered: " << remembered;
    EXPECT_EQ(store.Fields().ProjectName, kSep + "gw1");
    EXPECT_EQ(store.Fields().ProjectDir, Projects() + kSep + "gw1");
    EXPECT_EQ(store.Fields().ParGenPath, Projects() + kSep + "gw1" + kSep + "pargen.xml");
  }
}

TEST_F(StoreFixture, RememberedFolderThatIsGoneKeepsNameButNotFolder) {
  Remember("[lastproj]\r\nprojectname=gone\r\n");
  EXPECT_EQ(Load(), kBase);
  EXPECT_EQ(store.Fields().ProjectName, kSep + "gone");
  EXPECT_EQ(store.Fields().ProjectDir, Projects());
  store.SaveLastProject();
  EXPECT_EQ(ReadProfileString(program / "Fabrion.ini", "lastproj", "projectname"), kSep + "gone");
}

// A remembered name gets the checks of a typed one: even where its folder
// exists, a name that leaves PROJECTS or holds a character no typed name may
// is not restored.
TEST_F(StoreFixture, RememberedNameThatCouldNotBeTypedIsNotRestored) {
  fs::create_directories(program / "outside");
  const std::string names[] = {"../outside",       "\\..\\outside", "gw/../../outside",
                               "say\"hi\"",         "tab\there",      "\\\\server\\share",
                               "C:\\Windows",       "\\c:x"};
  for (const std::string& name : names) {
    std::error_code ec;  // Windows has no folder with a quote or a control character in its name
    fs::create_directories(Projects() + kSep + name, ec);
    Remember("[lastproj]\r\nprojectname=" + name + "\r\n");
    EXPECT_EQ(Load(), kBase) << "remembered: " << name;
    EXPECT_EQ(store.Fields().ProjectDir, Projects()) << "remembered: " << name;
    EXPECT_EQ(store.Fields().ProjectName.substr(1), name.substr(name[0] == '\\' ? 1 : 0))
        << "the name is kept as read";
  }
}

TEST_F(StoreFixture, SaveWritesNameAsHeldAndKeepsOtherContent) {
  Remember("[window]\r\nleft=3\r\n");
  Load();
  store.Fields().ProjectName = "fresh";
  store.SaveLastProject();
  EXPECT_EQ(ReadFileBytes(program / "Fabrion.ini"),
            "[window]\r\nleft=3\r\n[lastproj]\r\nprojectname=fresh\r\n");
}

TEST_F(StoreFixture, SaveFailureNamesTheIniFile) {
  Load();
  fs::create_directory(program / "Fabrion.ini");  // a folder where the file should be
  try {
    store.SaveLastProject();
    FAIL() << "expected an error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + (program / "Fabrion.ini"));
  }
}

// ---- New project ----

TEST_F(StoreFixture, NewProjectCreatesFolderAndBinAndBecomesCurrent) {
  Load();
  NewProjectAttempt attempt = store.CreateProject(Projects(), "gw1");
  EXPECT_TRUE(attempt.created);
  EXPECT_TRUE(attempt.mayClose);
  EXPECT_TRUE(attempt.messages.empty());
  EXPECT_TRUE(fs::is_directory(Projects() + kSep + "gw1" + kSep + "bin"));
  EXPECT_EQ(store.Fields().ProjectName, "gw1");
  EXPECT_EQ(store.Fields().ProjectDir, Projects() + kSep + "gw1");
  EXPECT_EQ(store.Fields().VarPath, Projects() + kSep + "gw1" + kSep + "var.xml");
  EXPECT_EQ(store.ChangedTitle(), kBase + " :gw1");
}

// A recover whose documents cannot be written takes its project back: the
// empty folders go, one that came to hold something stays, and the project
// from before is current again.
TEST_F(StoreFixture, UndoneNewProjectLeavesNoFolderAndTheOldProjectCurrent) {
  Load();
  store.CreateProject(Projects(), "old");
  const ProjectFields before = store.Fields();
  for (const bool holdsAFile : {false, true}) {
    store.CreateProject(Projects(), "gw1");
    const std::string folder = Projects() + kSep + "gw1";
    if (holdsAFile) test::WriteFileBytes(folder + kSep + "notes.txt", "mine");
    store.UndoCreateProject(before);
    EXPECT_EQ(fs::exists(folder), holdsAFile);
    EXPECT_EQ(fs::exists(folder + kSep + "bin"), false);
    EXPECT_EQ(store.Fields().ProjectDir, before.ProjectDir);
    EXPECT_EQ(store.ChangedTitle(), kBase + " :old");
  }
}

TEST_F(StoreFixture, NewProjectIsRememberedBareAndRestoredWithSeparator) {
  // A name with a blank in front is its own project, not gw1 (made first).
  for (const std::string name : {"gw1", " gw1"}) {
    Load();
    store.CreateProject(Projects(), name);
    store.SaveLastProject();
    EXPECT_EQ(ReadProfileString(program / "Fabrion.ini", "lastproj", "projectname"), name);
    ProjectStore next;
    EXPECT_EQ(next.LoadLastProject(program.str()), kBase + " : " + kSep + name)
        << "\"" << name << "\"";
    EXPECT_EQ(next.Fields().ProjectDir, Projects() + kSep + name) << "\"" << name << "\"";
  }
}

TEST_F(StoreFixture, NewProjectChecksAndTheirMessages) {
  Load();
  const std::string kOutside =
      "Name project not valid: the project must stay inside the PROJECTS folder (no \"..\", no "
      "drive, no leading \"/\" or \"\\\").";
  const std::string kUnusable =
      "Name project not valid: a control character or a double quote cannot be part of it.";
  fs::create_directories(Projects() + kSep + "taken");
  fs::create_directories(Projects() + kSep + "group");
  struct Case {
    std::string destination, name;
    std::vector<std::string> messages;
    bool created;
  } cases[] = {
      {Projects(), "", {"Name project not valid"}, false},
      {"", "x", {"directory destination not valid"}, false},
      {"", "", {"directory destination not valid", "Name project not valid"}, false},
      {Projects(), "taken", {"Name project not valid because directory already exists"}, false},
      // Several levels whose first is missing: nothing created, and the message says why.
      {Projects(), "nosuch" + kSep + "deeper",
       {"Name project not valid: \"nosuch\" is not a folder in PROJECTS (\"/\" and \"\\\" separate "
        "folders)."},
       false},
      // A nested project below an existing folder is allowed.
      {Projects(), "group" + kSep + "gw7", {}, true},
      // Names that would leave the PROJECTS folder.
      {Projects(), "..", {kOutside}, false},
      {Projects(), ".." + kSep + "outside", {kOutside}, false},
      {Projects(), "group" + kSep + ".." + kSep + ".." + kSep + "x", {kOutside}, false},
      {Projects(), "a\\..\\..\\x", {kOutside}, false},
      {Projects(), program / "elsewhere", {kOutside}, false},
      {Projects(), "\\rooted", {kOutside}, false},
      {Projects(), "C:drive", {kOutside}, false},
      {Projects(), "c:\\drive", {kOutside}, false},
      // Characters that break the ini file's line or the flash tool's quoted parameter.
      {Projects(), "say\"hi\"", {kUnusable}, false},
      {Projects(), "two\nlines", {kUnusable}, false},
      {Projects(), "cr\rx", {kUnusable}, false},
      {Projects(), "tab\tx", {kUnusable}, false},
      {Projects(), "del\x7F", {kUnusable}, false},
      {Projects(), "c1\xC2\x85x", {kUnusable}, false},
      // Blanks are kept as typed; dots inside a name and letters beyond ASCII are harmless.
      {Projects(), " spaced ", {}, true},
      {Projects(), "v1..2", {}, true},
      {Projects(), "caf\xC3\xA9", {}, true},
  };
  for (const Case& c : cases) {
    NewProjectAttempt attempt = store.CreateProject(c.destination, c.name);
    EXPECT_EQ(attempt.messages, c.messages) << "name: [" << c.name << "] in [" << c.destination << "]";
    EXPECT_EQ(attempt.created, c.created) << "name: [" << c.name << "]";
    EXPECT_EQ(attempt.mayClose, c.created) << "name: [" << c.name << "]";
  }
  EXPECT_FALSE(fs::exists(program / "elsewhere"));
  EXPECT_FALSE(fs::exists(program / "outside"));
  EXPECT_FALSE(fs::exists(program / "x"));
  EXPECT_FALSE(fs::exists(Projects() + kSep + "nosuch"));
  int folders = 0;
  for (const auto& entry : fs::directory_iterator(Projects())) folders += entry.is_directory();
  EXPECT_EQ(folders, 2 + 3) << "taken, group and the three names accepted at the top";
}

TEST_F(StoreFixture, FailedNewProjectLeavesCurrentProjectAlone) {
  fs::create_directories(Projects() + kSep + "gw1");
  Remember("[lastproj]\r\nprojectname=gw1\r\n");
  Load();
  store.CreateProject(Projects(), "gw1");
  store.CreateProject(Projects(), "missing" + kSep + "x");
  EXPECT_EQ(store.Fields().ProjectName, kSep + "gw1");
  EXPECT_EQ(store.Fields().ProjectDir, Projects() + kSep + "gw1");
}

// ---- Open project ----

TEST_F(StoreFixture, OpenProjectUsesRootedPickerAndTakesNameBelowProjects) {
  Load();
  fs::create_directories(Projects() + kSep + "group" + kSep + "gw2");
  test::ScriptedFolderPicker picker;
  picker.answers.push_back(Projects() + kSep + "group" + kSep + "gw2");
  EXPECT_EQ(store.OpenProject(picker).title, kBase + " :" + kSep + "group" + kSep + "gw2");
  ASSERT_EQ(picker.calls.size(), 1u);
  EXPECT_EQ(picker.calls[0].title, "Select directory of project");
  EXPECT_EQ(picker.calls[0].root, Projects());
  EXPECT_EQ(picker.calls[0].preselected, Projects());
  EXPECT_EQ(store.Fields().ProjectDir, Projects() + kSep + "group" + kSep + "gw2");
  EXPECT_EQ(store.Fields().ParGenPath,
            Projects() + kSep + "group" + kSep + "gw2" + kSep + "pargen.xml");
}

TEST_F(StoreFixture, OpenProjectChoosingProjectsFolderGivesEmptyName) {
  Load();
  test::ScriptedFolderPicker picker;
  picker.answers.push_back(Projects());
  EXPECT_EQ(store.OpenProject(picker).title, kBase + " :");
  EXPECT_EQ(store.Fields().ProjectName, "");
  EXPECT_EQ(store.Fields().ProjectDir, Projects());
}

TEST_F(StoreFixture, OpenProjectCancelledKeepsExistingFolder) {
  fs::create_directories(Projects() + kSep + "gw1");
  Remember("[lastproj]\r\nprojectname=gw1\r\n");
  Load();
  test::ScriptedFolderPicker picker;  // cancels
  EXPECT_EQ(store.OpenProject(picker).title, kBase + " :" + kSep + "gw1");
  EXPECT_EQ(picker.calls[0].preselected, Projects() + kSep + "gw1");
  EXPECT_EQ(store.Fields().ProjectDir, Projects() + kSep + "gw1");
}

TEST_F(StoreFixture, OpenProjectOnDeletedFolderThenCancelEmptiesProject) {
  fs::create_directories(Projects() + kSep + "gw1");
  Remember("[lastproj]\r\nprojectname=gw1\r\n");
  Load();
  fs::remove_all(Projects() + kSep + "gw1");
  test::ScriptedFolderPicker picker;  // cancels
  EXPECT_EQ(store.OpenProject(picker).title, kBase + " :");
  EXPECT_EQ(picker.calls[0].preselected, "");
  EXPECT_EQ(store.Fields().ProjectDir, "");
  EXPECT_EQ(store.Fields().ProjectName, "");
  EXPECT_EQ(store.Fields().ParGenPath, kSep + "pargen.xml");
}

TEST_F(StoreFixture, OpenProjectOfAFolderNoNameCouldHaveIsRefused) {
  fs::create_directories(Projects() + kSep + "gw1");
  Remember("[lastproj]\r\nprojectname=gw1\r\n");
  for (const std::string& bad : {std::string("say\"hi\""), "group" + kSep + "line\nbreak"}) {
    std::error_code ec;  // Windows has no folder with a quote or a control character in its name
    fs::create_directories(Projects() + kSep + bad, ec);
    for (const bool currentGone : {false, true}) {
      if (!currentGone) fs::create_directories(Projects() + kSep + "gw1");
      Load();
      if (currentGone) fs::remove_all(Projects() + kSep + "gw1");
      const ProjectFields before = store.Fields();
      test::ScriptedFolderPicker picker;
      picker.answers.push_back(Projects() + kSep + bad);
      const OpenProjectAttempt attempt = store.OpenProject(picker);
      EXPECT_EQ(attempt.title, std::nullopt) << bad;
      EXPECT_EQ(attempt.refusal, "Name project not valid") << bad;
      EXPECT_EQ(store.Fields().ProjectDir, before.ProjectDir) << bad;
      EXPECT_EQ(store.Fields().ProjectName, before.ProjectName) << bad;
      EXPECT_EQ(store.Fields().VarPath, before.VarPath) << bad;
    }
  }
}

}  // namespace
}  // namespace fabrion
