#pragma once
// A project's documents recovered from its configuration image: pargen.xml
// and var.xml in the program's own forms that build the same image again,
// apart from its build date and time.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "firmware/config_image.h"

namespace fabrion {

struct RecoveredDocuments {
  GeneralParameters general;
  std::vector<TMyRec> rows;  // up to the last record that is not all zero; mnemonics empty
  std::string buildStamp;    // BuildStampText of the image
  // Rows the Translate Table dialog will not save as they stand (a data
  // type other than the four, more than 126 points), one sentence each.
  std::vector<std::string> notes;
};

struct Recovery {
  std::optional<RecoveredDocuments> documents;
  // When there are none: each value no document of the program's form can
  // hold, one sentence each.
  std::vector<std::string> refusals;
};

// The documents for the image, proven by building the image from their
// bytes; refused when the image holds what pargen.xml cannot express (a
// parity code 1, a baud-rate code outside 0 to 7 and 255, an RTU address
// 0, a community name with bytes no character gives) or data in its
// reserved bytes.
Recovery RecoverDocuments(const ConfigImage& image);

// The path of pargen.xml or var.xml when projectDir holds either; nothing
// when it holds neither, or only the var.xml of a recover that was killed
// before it wrote pargen.xml (the next recover writes over it).
std::optional<std::string> ExistingDocument(std::string_view projectDir);

// Makes projectDir and its bin folder when missing and writes var.xml, then
// pargen.xml, so that both appear or neither does, even when the process is
// killed. Throws Error when a folder cannot be made or a document cannot be
// written; the documents and the folders made are then removed again.
void WriteRecoveredDocuments(std::string_view projectDir, const RecoveredDocuments& documents);

// "Mnemonics are not in the image: the 12 rows of var.xml have empty
// mnemonics." (and the wording for one row and for none).
std::string EmptyMnemonicsNote(std::size_t rows);

}  // namespace fabrion
