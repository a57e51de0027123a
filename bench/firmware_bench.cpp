// Times the composer against plain file copying, watches its peak memory at
// two master sizes, and times the image build with bankg.c.
//   bench_firmware [MEGABYTES]   (the large master's size, 50 by default)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "bench_master.h"
#include "firmware/bank_source.h"
#include "firmware/config_image.h"
#include "firmware/firmware_composer.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/progress_indicator.h"

namespace fs = std::filesystem;
using namespace fabrion;

namespace {

using Seconds = std::chrono::duration<double>;

class CountingProgress : public ProgressIndicator {
 public:
  void SetMaximum(std::int64_t maximum) override { maximum_ = maximum; }
  void SetPosition(std::int64_t position) override {
    position_ = position;
    ++calls;
  }
  std::int64_t Position() const override { return position_; }
  std::int64_t Maximum() const override { return maximum_; }
  long long calls = 0;

 private:
  std::int64_t maximum_ = 0;
  std::int64_t position_ = 0;
};

double PeakMemoryMiB() {
#ifndef _WIN32
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
#ifdef __APPLE__
  return static_cast<double>(usage.ru_maxrss) / (1024.0 * 1024.0);
#else
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
#else
  return 0;
#endif
}

// What cat and cp of the master cost: read it twice, write it once.
double ReadTwiceWriteOnce(const fs::path& master, const fs::path& copy) {
  std::vector<char> buffer(1 << 16);
  const auto start = std::chrono::steady_clock::now();
  unsigned long long sum = 0;
  std::FILE* in = std::fopen(master.string().c_str(), "rb");
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
    sum += static_cast<unsigned char>(buffer[got - 1]);
  std::rewind(in);
  std::FILE* out = std::fopen(copy.string().c_str(), "wb");
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
    std::fwrite(buffer.data(), 1, got, out);
  std::fclose(out);
  std::fclose(in);
  const Seconds elapsed = std::chrono::steady_clock::now() - start;
  if (sum == 1) std::printf(" ");
  return elapsed.count();
}

double Compose(const fs::path& folder, long long* progressCalls) {
  CountingProgress progress;
  const auto start = std::chrono::steady_clock::now();
  const ComposeOutcome outcome =
      ComposeFirmware(1, (folder / "ravelin.sx").string(), (folder / "bin/").string(),
                      "New_ravelin.sx", folder.string(), progress);
  const Seconds elapsed = std::chrono::steady_clock::now() - start;
  if (!outcome.ranToEnd || outcome.result != 1) std::printf("composition did not run to its end\n");
  *progressCalls = progress.calls;
  return elapsed.count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct SizeFigures {
  double composeSeconds, baselineSeconds, peakMiB;
  long long progressCalls;
};

SizeFigures MeasureSize(const fs::path& folder, std::size_t bytes, int rounds) {
  bench::WriteMaster(folder / "ravelin.sx", bytes);
  std::vector<double> compose, baseline;
  long long calls = 0;
  for (int round = 0; round < rounds; ++round) {
    baseline.push_back(ReadTwiceWriteOnce(folder / "ravelin.sx", folder / "copy.sx"));
    compose.push_back(Compose(folder, &calls));
  }
  return {Median(compose), Median(baseline), PeakMemoryMiB(), calls};
}

void WriteText(const fs::path& path, const std::string& text) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

// A full project: 1400 rows and every general parameter.
void WriteProject(const fs::path& folder) {
  std::string table = "<TCP_MASTER_TO_RTU_SLAVE>";
  for (int i = 0; i < 1400; ++i)
    table += "<row DATA_TYPE=\"3\" RTU_ADDRESS=\"" + std::to_string(i * 10) +
             "\" TCP_ADD_DEV_1=\"192\" TCP_ADD_DEV_2=\"168\" TCP_ADD_DEV_3=\"1\" "
             "TCP_ADD_DEV_4=\"" + std::to_string(i % 250) + "\" TCP_ADDRESS=\"" +
             std::to_string(i) + "\" N_POINT=\"10\" MNEMONIC=\"Pump " + std::to_string(i) + "\"/>";
  table += "</TCP_MASTER_TO_RTU_SLAVE>";
  WriteText(folder / "var.xml", table);
  WriteText(folder / "pargen.xml",
            "<General_Parameter><TCP_IP1>192</TCP_IP1><TCP_IP2>168</TCP_IP2><TCP_IP3>1</TCP_IP3>"
            "<TCP_IP4>10</TCP_IP4><TCP_SUB1>255</TCP_SUB1><TCP_SUB2>255</TCP_SUB2>"
            "<TCP_SUB3>255</TCP_SUB3><TCP_SUB4>0</TCP_SUB4><TCP_GAT1>0</TCP_GAT1>"
            "<TCP_GAT2>0</TCP_GAT2><TCP_GAT3>0</TCP_GAT3><TCP_GAT4>0</TCP_GAT4>"
            "<TCP_PORT>502</TCP_PORT><SNMP_PUBLIC>kombri</SNMP_PUBLIC>"
            "<SNMP_PRIVATE>drevant</SNMP_PRIVATE><BAUD>3</BAUD><PARITY>0</PARITY>"
            "<TIME_OUT>1000</TIME_OUT><OFFSET>0</OFFSET><MODE>1</MODE>"
            "<ADDRESS_RTU>1</ADDRESS_RTU></General_Parameter>");
}

void MeasureImage(const fs::path& folder) {
  WriteProject(folder);
  SystemClock clock;
  std::vector<double> inMemory, withFiles, oneWrite;
  std::size_t sink = 0;
  for (int round = 0; round < 50; ++round) {
    ConfigImage image{};
    auto start = std::chrono::steady_clock::now();
    const BuildOutcome outcome = BuildConfigImage(folder.string(), clock, image);
    sink += BankSourceText(image).size();
    inMemory.push_back(Seconds(std::chrono::steady_clock::now() - start).count());
    if (!outcome.complete) std::printf("image incomplete: %s\n", outcome.reason.c_str());

    start = std::chrono::steady_clock::now();
    BuildConfigImage(folder.string(), clock, image);
    WriteBankBinary(folder.string(), image);
    WriteBankSource(folder.string(), image);
    withFiles.push_back(Seconds(std::chrono::steady_clock::now() - start).count());

    start = std::chrono::steady_clock::now();
    WriteBankBinary(folder.string(), image);
    oneWrite.push_back(Seconds(std::chrono::steady_clock::now() - start).count());
  }
  std::printf("image build (1400 rows) + bankg.c text:  median %.2f ms, max %.2f ms  (target < 10 ms)%s\n",
              Median(inMemory) * 1e3, *std::max_element(inMemory.begin(), inMemory.end()) * 1e3,
              sink ? "" : " ");
  std::printf("  with bank1.bin and bankg.c written (fsync'd): median %.2f ms, max %.2f ms\n",
              Median(withFiles) * 1e3, *std::max_element(withFiles.begin(), withFiles.end()) * 1e3);
  std::printf("  of which one durable write of bank1.bin alone: median %.2f ms\n",
              Median(oneWrite) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t largeMiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
  const fs::path folder =
      fs::temp_directory_path() / ("fabrion-bench-" + std::to_string(std::random_device()()));
  fs::create_directories(folder / "bin");
  std::vector<char> bank(16384);
  for (std::size_t i = 0; i < bank.size(); ++i) bank[i] = static_cast<char>(i * 7);
  WriteText(folder / "bin/bank1.bin", std::string(bank.begin(), bank.end()));

  std::printf("peak memory before composing: %.1f MiB\n", PeakMemoryMiB());
  const std::size_t smallBytes = largeMiB * 1000000 / 10, largeBytes = largeMiB * 1000000;
  const SizeFigures small = MeasureSize(folder, smallBytes, 5);
  const SizeFigures large = MeasureSize(folder, largeBytes, 5);
  for (const auto& [bytes, f] : {std::pair{smallBytes, small}, std::pair{largeBytes, large}}) {
    std::printf("master %5.1f MB: compose %7.1f ms, read twice + write once %7.1f ms, ratio %.2f"
                " (target <= 3), %lld progress calls, peak memory %.1f MiB\n",
                static_cast<double>(bytes) / 1e6, f.composeSeconds * 1e3,
                f.baselineSeconds * 1e3, f.composeSeconds / f.baselineSeconds, f.progressCalls,
                f.peakMiB);
  }
  std::printf("peak memory grew by %.1f MiB from the %.0f MB to the %.0f MB master (target < 64 MiB, "
              "independent of size)\n",
              large.peakMiB - small.peakMiB, smallBytes / 1e6, largeBytes / 1e6);

  MeasureImage(folder);
  std::error_code ec;
  fs::remove_all(folder, ec);
  return 0;
}
