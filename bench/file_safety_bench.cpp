// Measures, with real processes of fabrion-cli, what the gateway's files are
// safe from:
//   1. compositions killed (SIGKILL) at random points of their write, then one
//      clean composition: the temporaries left after the kills, and after it;
//   2. a FIFO or a link to /dev/zero put where a document, the master or the
//      bank file belongs: how long the command takes to refuse it.
//   bench_file_safety [KILLS] [MEGABYTES]   (100 kills of a 47 MB master by default)
// FABRION_CLI in the environment names another fabrion-cli to measure.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_master.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

namespace {

constexpr rlim_t kChildAddressSpace = rlim_t{4} << 30;

struct Run {
  bool killed = false;  // by us, before it ended
  bool hung = false;    // still running after the watchdog's time
  int exitCode = -1;
  double seconds = 0;
  std::string firstErrorLine;
};

// Runs fabrion-cli with args, stderr into errFile; kills it after killAfter
// (SIGKILL, as a crash or a pulled plug would end it) or, as a hang, after
// the watchdog's limit.
Run RunCli(const std::vector<std::string>& args, const fs::path& errFile,
           std::optional<Seconds> killAfter, Seconds watchdog = Seconds(10)) {
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    // A reader without limits fails here instead of taking the machine's memory.
    const rlimit memory{kChildAddressSpace, kChildAddressSpace};
    setrlimit(RLIMIT_AS, &memory);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(err, 2);
    const char* cli = std::getenv("FABRION_CLI") ? std::getenv("FABRION_CLI") : FABRION_CLI_PATH;
    std::vector<char*> argv = {const_cast<char*>(cli)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(cli, argv.data());
    _exit(127);
  }
  Run run;
  int status = 0;
  const Seconds limit = killAfter ? *killAfter : watchdog;
  for (;;) {
    if (waitpid(child, &status, WNOHANG) == child) break;
    if (Clock::now() - start >= limit) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      (killAfter ? run.killed : run.hung) = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  run.seconds = Seconds(Clock::now() - start).count();
  if (WIFEXITED(status)) {
    run.exitCode = WEXITSTATUS(status);
    run.killed = false;  // it ended on its own just before the kill
  }
  std::ifstream err(errFile);
  std::getline(err, run.firstErrorLine);
  return run;
}

struct Leftovers {
  int count = 0;
  std::uintmax_t bytes = 0;
};

// Temporaries of writes of target (the recognisable ones), and anything else
// in its folder that is not one of the expected names.
Leftovers TemporariesOf(const fs::path& target) {
  Leftovers found;
  const std::string prefix = target.filename().string() + ".";
  for (const auto& entry : fs::directory_iterator(target.parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    ++found.count;
    std::error_code ec;
    found.bytes += entry.file_size(ec);
  }
  return found;
}

void KilledCompositions(const fs::path& work, int kills, std::size_t masterBytes) {
  const fs::path bin = work / "bin";
  fs::create_directories(bin);
  {
    std::ofstream bank(bin / "bank1.bin", std::ios::binary);
    std::mt19937 random(3);
    for (int i = 0; i < 16384; ++i) bank.put(static_cast<char>(random() & 0xFF));
  }
  const fs::path master = work / "ravelin.sx";
  bench::WriteMaster(master, masterBytes);
  const fs::path output = work / "out" / "New_ravelin.sx";
  fs::create_directories(output.parent_path());
  const std::vector<std::string> args = {"compose", master.string(), bin.string(), output.string()};
  const fs::path err = work / "stderr.txt";

  const Run clean = RunCli(args, err, std::nullopt, Seconds(300));
  std::printf("Killed writes (fabrion-cli compose of a %.1f MB master; a clean run takes %.2f s, exit %d)\n",
              static_cast<double>(fs::file_size(master)) / 1e6, clean.seconds, clean.exitCode);

  std::mt19937 random(11);
  std::uniform_real_distribution<double> when(0.0, clean.seconds);
  int killedWhileRunning = 0;
  for (int i = 0; i < kills; ++i) {
    const Run run = RunCli(args, err, Seconds(when(random)));
    if (run.killed) ++killedWhileRunning;
  }
  const Leftovers afterKills = TemporariesOf(output);
  const bool binSxAfterKills = fs::exists(fs::symlink_status(bin / "Bin.sx"));
  const Run last = RunCli(args, err, std::nullopt, Seconds(300));
  const Leftovers afterClean = TemporariesOf(output);
  std::printf("  %d kills at random points (%d while it ran): %d temporaries (%.1f MB) left%s\n", kills,
              killedWhileRunning, afterKills.count, static_cast<double>(afterKills.bytes) / 1e6,
              binSxAfterKills ? ", and bin/Bin.sx" : "");
  std::printf("  then one clean write (exit %d): %d temporaries (%.1f MB) left, bin/Bin.sx %s\n",
              last.exitCode, afterClean.count, static_cast<double>(afterClean.bytes) / 1e6,
              fs::exists(fs::symlink_status(bin / "Bin.sx")) ? "left" : "gone");
}

void RefusedInPlaceOfAFile(const fs::path& work) {
  std::printf("\nA FIFO or a link to /dev/zero in place of a file (limit 1 s, hang after 10 s)\n");
  struct Case {
    const char* name;
    const char* command;  // image or compose
    const char* file;     // below the project folder
    bool fifo;
  };
  const Case cases[] = {
      {"var.xml is a FIFO", "image", "var.xml", true},
      {"var.xml links to /dev/zero", "image", "var.xml", false},
      {"pargen.xml is a FIFO", "image", "pargen.xml", true},
      {"pargen.xml links to /dev/zero", "image", "pargen.xml", false},
      {"master is a FIFO", "compose", "ravelin.sx", true},
      {"master links to /dev/zero", "compose", "ravelin.sx", false},
      {"bank1.bin is a FIFO", "compose", "bin/bank1.bin", true},
      {"bank1.bin links to /dev/zero", "compose", "bin/bank1.bin", false},
  };
  for (const Case& c : cases) {
    const fs::path project = work / "refused";
    fs::remove_all(project);
    fs::create_directories(project / "bin");
    std::ofstream(project / "var.xml") << "<TCP_MASTER_TO_RTU_SLAVE/>";
    std::ofstream(project / "pargen.xml") << "<General_Parameter/>";
    std::ofstream(project / "ravelin.sx") << "S2243880000000\r\nS9030000FC\r\n";
    std::ofstream(project / "bin" / "bank1.bin") << std::string(16384, '\0');
    const fs::path file = project / c.file;
    fs::remove(file);
    if (c.fifo)
      mkfifo(file.c_str(), 0600);
    else
      fs::create_symlink("/dev/zero", file);
    std::vector<std::string> args = {c.command, project.string()};
    if (std::string(c.command) == "compose")
      args = {"compose", (project / "ravelin.sx").string(), (project / "bin").string(),
              (project / "New_ravelin.sx").string()};
    const Run run = RunCli(args, work / "stderr.txt", std::nullopt);
    std::printf("  %-30s %6.3f s  %s  %s\n", c.name, run.seconds,
                run.hung ? "HUNG" : ("exit " + std::to_string(run.exitCode)).c_str(),
                run.firstErrorLine.c_str());
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  const int kills = argc > 1 ? std::atoi(argv[1]) : 100;
  const double megabytes = argc > 2 ? std::atof(argv[2]) : 47;
  const fs::path work = fs::temp_directory_path() / ("fabrion-bench-safety-" + std::to_string(getpid()));
  fs::create_directories(work);
  KilledCompositions(work, kills, static_cast<std::size_t>(megabytes * 1e6));
  RefusedInPlaceOfAFile(work);
  fs::remove_all(work);
  return 0;
}
