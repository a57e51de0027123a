// Replays the fuzzers' corpora and seeds through the file readers: every
// input either reads or fails with the core's Error, never crashes or hangs.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/temp_folder.h"
#include "fuzz/fuzz_documents.h"
#include "platform/error.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs() {
  std::vector<fs::path> files;
  const fs::path root = fs::path(FABRION_SOURCE_DIR) / "fuzz";
  for (const char* set : {"corpus", "seeds"})
    for (const char* name : {"pargen", "var"}) {
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator(root / set / name, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
  return files;
}

TEST(FuzzCorpus, EveryInputReadsOrFailsCleanlyInBothReaders) {
  const std::vector<fs::path> inputs = Inputs();
  ASSERT_GT(inputs.size(), 20u) << "the corpus in fuzz/corpus is missing";
  test::TempFolder folder;
  const std::string pargen = folder / "pargen.xml";
  const std::string var = folder / "var.xml";
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.string());
    const std::string bytes = test::ReadFileBytes(input.string());
    test::WriteFileBytes(pargen, bytes);
    test::WriteFileBytes(var, bytes);
    try {
      const GeneralParameters read = ReadGeneralParameters(pargen);
      test::WriteFileBytes(pargen, GeneralParametersXml(read));
      EXPECT_EQ(ReadGeneralParameters(pargen), read);
    } catch (const Error&) {
    }
    (void)ReadOperationModeCode(pargen);
    try {
      const std::vector<RowTexts> rows = ReadTable(var);
      EXPECT_LE(rows.size(), std::size_t(kMaxTranslateRows));
    } catch (const Error&) {
    }
    fuzz::CheckGeneralParameters(bytes);
    fuzz::CheckTable(bytes);
  }
}

}  // namespace
}  // namespace fabrion
