// fabrion-cli recover: a project's documents from its firmware or bank file.
#include <ostream>

#include "readback/image_file.h"
#include "readback/image_recovery.h"
#include "platform/error.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion::cli {
namespace {

constexpr const char* kRecoverHelp =
    "Usage: fabrion-cli recover FILE PROJECT_DIR\n"
    "\n"
    "Writes PROJECT_DIR/pargen.xml and PROJECT_DIR/var.xml from the configuration image in\n"
    "FILE, a composed firmware file (S-records) or a 16384-byte bank file (bank1.bin), so\n"
    "that the image built from them equals the image in FILE apart from its build date and\n"
    "time. The rows are the image's records up to the last one that is not all zero.\n"
    "Mnemonics are not in the image: they are written empty. PROJECT_DIR and its bin folder\n"
    "are made when missing.\n"
    "\n"
    "Prints on stdout the build date and time found in the image and the number of rows;\n"
    "notes and reasons go to stderr.\n"
    "\n";

constexpr ExitStatus kRecoverExits[] = {
    {kExitOk, "documents written"},
    {kExitRecoverRefused,
         "refused, nothing written: PROJECT_DIR already holds pargen.xml or "
         "var.xml, or the image holds values the documents cannot express (each "
         "named)"},
    kNotWrittenStatus,
    {kExitUnreadable,
         "FILE holds no complete configuration (a firmware file without all 512 "
         "records of bank 1 or with two values for one of its bytes, a record "
         "with a bad checksum, a bank file of another size) or cannot be read"},
    kUsageStatus,
};

int RunRecover(const Args& commandLine, std::ostream& out, std::ostream& err) {
  Args args;  // the operands
  if (const auto refused = RefuseOptions(commandLine, err, args)) return *refused;
  // An empty PROJECT_DIR would put the documents at the file system's root.
  if (args.size() != 2 || args[0].empty() || args[1].empty())
    return Usage(err, "recover needs FILE PROJECT_DIR");
  const std::string projectDir = WithoutTrailingSeparators(args[1]);

  ConfigImage image{};
  try {
    image = ReadConfigImageFile(args[0]);
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kExitUnreadable;
  }
  if (const auto existing = ExistingDocument(projectDir)) {
    err << "Refused: \"" << *existing
        << "\" exists; recover writes only into a folder without pargen.xml and var.xml.\n";
    return kExitRecoverRefused;
  }
  const Recovery recovery = RecoverDocuments(image);
  if (!recovery.documents) {
    err << "Refused: no documents of the program's form build this image:\n";
    for (const std::string& refusal : recovery.refusals) err << "  " << refusal << '\n';
    return kExitRecoverRefused;
  }
  const RecoveredDocuments& documents = *recovery.documents;
  try {
    WriteRecoveredDocuments(projectDir, documents);
  } catch (const Error& e) {
    err << GeneralErrorText(e.what()) << '\n';
    return kExitNotWritten;
  }
  out << "Build date and time: " << documents.buildStamp << '\n';
  out << "Rows: " << documents.rows.size() << '\n';
  err << EmptyMnemonicsNote(documents.rows.size()) << '\n';
  for (const std::string& note : documents.notes) err << note << '\n';
  return kExitOk;
}

}  // namespace

const Verb kRecoverVerb = {
    "recover",
    "fabrion-cli recover FILE PROJECT_DIR",
    "write a project's documents from its firmware or bank file",
    kRecoverHelp,
    kRecoverExits,
    RunRecover,
};

}  // namespace fabrion::cli
