// Replays the fuzzers' corpora and seeds through the file readers: every
// input either reads or fails with the core's Error, never crashes or hangs,
// and holds the properties its fuzz target demands.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/temp_folder.h"
#include "fuzz/fuzz_documents.h"
#include "fuzz/fuzz_readers.h"
#include "platform/error.h"

namespace fabrion {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(std::initializer_list<const char*> names = {"pargen", "var"}) {
  std::vector<fs::path> files;
  const fs::path root = fs::path(FABRION_SOURCE_DIR) / "fuzz";
  for (const char* set : {"corpus", "seeds"})
    for (const char* name : names) {
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

// The other readers' inputs, each through the properties of its own target.
TEST(FuzzCorpus, EveryInputHoldsThePropertiesOfItsReader) {
  test::TempFolder folder;
  const struct {
    const char* name;
    std::function<void(std::string_view)> check;
  } readers[] = {
      {"image", [&](std::string_view bytes) { fuzz::CheckImageFile(bytes, folder.str()); }},
      {"csv", fuzz::CheckCsv},
      {"clipboard", fuzz::CheckClipboard},
      {"ini", [&](std::string_view bytes) { fuzz::CheckProfileFile(bytes, folder.str()); }},
      {"modbus", fuzz::CheckModbusAnswer},
  };
  for (const auto& reader : readers) {
    const std::vector<fs::path> inputs = Inputs({reader.name});
    EXPECT_GE(inputs.size(), 5u) << "the seeds in fuzz/seeds/" << reader.name << " are missing";
    for (const fs::path& input : inputs) {
      fuzz::currentInput = input.string();  // named when a property fails
      reader.check(test::ReadFileBytes(input.string()));
    }
  }
  fuzz::currentInput.clear();
}

}  // namespace
}  // namespace fabrion
