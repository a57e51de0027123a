// Reading and writing a full 1400-row var.xml (and pargen.xml for scale):
// whole-file operations as the dialog and the image builder run them, and
// the in-memory parts without the disk.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "platform/atomic_file.h"

namespace fabrion {
namespace {

std::vector<TMyRec> FullTable() {
  std::vector<TMyRec> rows;
  for (int i = 0; i < kMaxTranslateRows; ++i)
    rows.push_back(TMyRec{std::uint8_t(1 + i % 4), std::uint16_t(40000 + i),
                          {192, 168, std::uint8_t(i / 256), std::uint8_t(i % 256)},
                          std::uint16_t(i * 13), std::uint8_t(i % 127),
                          "Block " + std::to_string(i) + " <pump & valve>"});
  return rows;
}

class Folder {
 public:
  Folder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("fabrion-bench-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const char* name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void BM_VarWriteFile(benchmark::State& state) {
  const std::vector<TMyRec> rows = FullTable();
  Folder folder;
  const std::string path = folder / "var.xml";
  for (auto _ : state) WriteTable(path, rows);
  state.SetBytesProcessed(state.iterations() * std::int64_t(TranslateTableXml(rows).size()));
}

// The platform's share of BM_VarWriteFile: the same bytes through the
// temporary file, its flush to disk and the rename.
void BM_VarAtomicWriteOnly(benchmark::State& state) {
  const std::string bytes = TranslateTableXml(FullTable());
  Folder folder;
  const std::string path = folder / "var.xml";
  for (auto _ : state) WriteFileAtomically(path, bytes);
}

void BM_VarReadFile(benchmark::State& state) {
  Folder folder;
  const std::string path = folder / "var.xml";
  WriteTable(path, FullTable());
  for (auto _ : state) {
    std::vector<RowTexts> rows = ReadTable(path);
    if (rows.size() != std::size_t(kMaxTranslateRows)) state.SkipWithError("lost rows");
    benchmark::DoNotOptimize(rows);
  }
}

void BM_VarSerialise(benchmark::State& state) {
  const std::vector<TMyRec> rows = FullTable();
  for (auto _ : state) benchmark::DoNotOptimize(TranslateTableXml(rows));
}

void BM_VarParse(benchmark::State& state) {
  const std::string bytes = TranslateTableXml(FullTable());
  for (auto _ : state) benchmark::DoNotOptimize(ParseTable(bytes));
}

void BM_PargenWriteFile(benchmark::State& state) {
  Folder folder;
  const std::string path = folder / "pargen.xml";
  for (auto _ : state) WriteGeneralParameters(path, GeneralParameters{});
}

void BM_PargenReadFile(benchmark::State& state) {
  Folder folder;
  const std::string path = folder / "pargen.xml";
  WriteGeneralParameters(path, GeneralParameters{});
  for (auto _ : state) benchmark::DoNotOptimize(ReadGeneralParameters(path));
}

BENCHMARK(BM_VarWriteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VarAtomicWriteOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VarReadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VarSerialise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VarParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PargenWriteFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PargenReadFile)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fabrion

BENCHMARK_MAIN();
