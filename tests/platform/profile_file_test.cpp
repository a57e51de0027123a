#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

// A file as the Windows program leaves it: CRLF, blanks around "=", other sections.
constexpr const char* kWindowsWritten =
    "; Fabrion settings\r\n"
    "[Window]\r\n"
    "Left=10\r\n"
    "\r\n"
    "[LastProj]\r\n"
    "ProjectName = \\gw1 \r\n"
    "\r\n"
    "[other]\r\n"
    "projectname=not this one\r\n";

// ---- reading ----

TEST(ProfileFile, ReadsWindowsWrittenFileIgnoringCaseAndBlanks) {
  TempFolder dir;
  WriteFileBytes(dir / "Fabrion.ini", kWindowsWritten);
  EXPECT_EQ(ReadProfileString(dir / "Fabrion.ini", "lastproj", "projectname"), "\\gw1");
  EXPECT_EQ(ReadProfileString(dir / "Fabrion.ini", "LASTPROJ", "PROJECTNAME"), "\\gw1");
  EXPECT_EQ(ReadProfileString(dir / "Fabrion.ini", "other", "projectname"), "not this one");
  EXPECT_EQ(ReadProfileString(dir / "Fabrion.ini", "window", "left"), "10");
}

TEST(ProfileFile, MissingFileSectionOrKeyReadsEmpty) {
  TempFolder dir;
  EXPECT_EQ(ReadProfileString(dir / "none.ini", "lastproj", "projectname"), "");
  WriteFileBytes(dir / "a.ini", "[lastproj]\nother=1\n");
  EXPECT_EQ(ReadProfileString(dir / "a.ini", "lastproj", "projectname"), "");
  EXPECT_EQ(ReadProfileString(dir / "a.ini", "nosuch", "other"), "");
}

TEST(ProfileFile, ValuesAreTakenWithoutEscapesAndOnePairOfQuotesStripped) {
  struct Case {
    const char* line;
    const char* value;
  } cases[] = {
      {"projectname=\\demo", "\\demo"},
      {"projectname=\\n\\t", "\\n\\t"},
      {"projectname=\"\\quoted\"", "\\quoted"},
      {"projectname='single'", "single"},
      {"projectname=\"\"twice\"\"", "\"twice\""},
      {"projectname=\"unbalanced", "\"unbalanced"},
      {"projectname=  \t spaced \t ", "spaced"},
      {"projectname=a=b", "a=b"},
      {"projectname=", ""},
      {"  projectname  =x", "x"},
  };
  TempFolder dir;
  for (const Case& c : cases) {
    WriteFileBytes(dir / "p.ini", std::string("[lastproj]\r\n") + c.line + "\r\n");
    EXPECT_EQ(ReadProfileString(dir / "p.ini", "lastproj", "projectname"), c.value)
        << "line: " << c.line;
  }
}

TEST(ProfileFile, CommentLinesAndLfOnlyFilesAndBomAreUnderstood) {
  TempFolder dir;
  WriteFileBytes(dir / "p.ini", "\xEF\xBB\xBF[lastproj]\n;projectname=comment\nprojectname=x\n");
  EXPECT_EQ(ReadProfileString(dir / "p.ini", "lastproj", "projectname"), "x");
}

TEST(ProfileFile, FirstOfTwoKeysCounts) {
  TempFolder dir;
  WriteFileBytes(dir / "p.ini", "[lastproj]\r\nprojectname=one\r\nProjectName=two\r\n");
  EXPECT_EQ(ReadProfileString(dir / "p.ini", "lastproj", "projectname"), "one");
}

// ---- writing ----

TEST(ProfileFile, WritingCreatesFileAndSection) {
  TempFolder dir;
  WriteProfileString(dir / "Fabrion.ini", "lastproj", "projectname", "\\gw1");
  EXPECT_EQ(ReadFileBytes(dir / "Fabrion.ini"), "[lastproj]\r\nprojectname=\\gw1\r\n");
}

TEST(ProfileFile, RewritingWindowsFileKeepsEverythingElse) {
  TempFolder dir;
  WriteFileBytes(dir / "Fabrion.ini", kWindowsWritten);
  WriteProfileString(dir / "Fabrion.ini", "lastproj", "projectname", "gw2");
  EXPECT_EQ(ReadFileBytes(dir / "Fabrion.ini"),
            "; Fabrion settings\r\n"
            "[Window]\r\n"
            "Left=10\r\n"
            "\r\n"
            "[LastProj]\r\n"
            "projectname=gw2\r\n"
            "\r\n"
            "[other]\r\n"
            "projectname=not this one\r\n");
  EXPECT_EQ(ReadProfileString(dir / "Fabrion.ini", "lastproj", "projectname"), "gw2");
}

TEST(ProfileFile, MissingKeyIsAddedAtTheEndOfItsSection) {
  TempFolder dir;
  WriteFileBytes(dir / "p.ini", "[lastproj]\nother=1\n\n[next]\nk=v\n");
  WriteProfileString(dir / "p.ini", "LastProj", "projectname", "x");
  EXPECT_EQ(ReadFileBytes(dir / "p.ini"),
            "[lastproj]\r\nother=1\r\nprojectname=x\r\n\r\n[next]\r\nk=v\r\n");
}

TEST(ProfileFile, MissingSectionIsAppendedAndBomKept) {
  TempFolder dir;
  WriteFileBytes(dir / "p.ini", "\xEF\xBB\xBF[a]\r\nk=v");
  WriteProfileString(dir / "p.ini", "lastproj", "projectname", "x");
  EXPECT_EQ(ReadFileBytes(dir / "p.ini"),
            "\xEF\xBB\xBF[a]\r\nk=v\r\n[lastproj]\r\nprojectname=x\r\n");
}

TEST(ProfileFile, ValueWithBackslashesAndUtf8RoundTrips) {
  TempFolder dir;
  const std::string value = "\\Projekt f\xC3\xBCr Stra\xC3\x9F" "e\\sub";
  WriteProfileString(dir / "p.ini", "lastproj", "projectname", value);
  EXPECT_EQ(ReadProfileString(dir / "p.ini", "lastproj", "projectname"), value);
}

// A project name may begin or end with blanks or quotes; read back trimmed or
// unquoted it would restore another project, or none.
TEST(ProfileFile, EveryValueReadsBackAsWritten) {
  TempFolder dir;
  for (const char* value :
       {" gw1", "gw1 ", "\tgw1", "'gw1'", "''", "\"x\"", "'unbalanced", "a 'b' c"}) {
    WriteProfileString(dir / "p.ini", "lastproj", "projectname", value);
    EXPECT_EQ(ReadProfileString(dir / "p.ini", "lastproj", "projectname"), value)
        << "value \"" << value << "\", written as " << ReadFileBytes(dir / "p.ini");
  }
  // Only a value that would not read back is quoted.
  WriteProfileString(dir / "p.ini", "lastproj", "projectname", " gw1");
  EXPECT_EQ(ReadFileBytes(dir / "p.ini"), "[lastproj]\r\nprojectname=\" gw1\"\r\n");
}

TEST(ProfileFile, ReadOnlyFileFailsAndStaysAsItWas) {
  TempFolder dir;
  WriteFileBytes(dir / "p.ini", kWindowsWritten);
  test::MakeReadOnly(dir / "p.ini");
  EXPECT_THROW(WriteProfileString(dir / "p.ini", "lastproj", "projectname", "x"), Error);
  EXPECT_EQ(ReadFileBytes(dir / "p.ini"), kWindowsWritten);
}

TEST(ProfileFile, LineBreakInAValueIsRefusedAndNothingWritten) {
  TempFolder dir;
  WriteFileBytes(dir / "Fabrion.ini", kWindowsWritten);
  for (const char* value : {"gw1\r\n[evil]\r\nx=1", "a\nb", "a\rb"}) {
    try {
      WriteProfileString(dir / "Fabrion.ini", "lastproj", "projectname", value);
      ADD_FAILURE() << "wrote a line break: " << value;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "A line break cannot be written into the profile file \"" +
                                           (dir / "Fabrion.ini") + "\"");
    }
    EXPECT_EQ(ReadFileBytes(dir / "Fabrion.ini"), kWindowsWritten);
  }
}

}  // namespace
}  // namespace fabrion
