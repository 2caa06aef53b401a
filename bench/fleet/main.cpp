// Flashes 1, 2, 4 and 8 emulated serial readers at once at wire time through
// `mv4700 --all --yes --baud 57600 flash IMAGE` run as a child process, and
// times `mv4700 --all list` over 16 silent pseudo-terminal slots against one.
// The processor seconds and the peak memory are the child's (wait4).
//
//   bench_fleet [image-length [rounds]]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/arguments.h"
#include "sim/sample_image.h"
#include "tests/support/simulated_reader.h"

extern char** environ;

using namespace mv4700;
using Steady = std::chrono::steady_clock;

namespace {

// At least 7 characters: a shorter version reply is under the 10 bytes the
// RS232 version read takes, and the flash's check could never read it back.
constexpr char kVersionText[] = "FLEET 1.0";

constexpr char kUsage[] =
    "usage: bench_fleet [image-length [rounds]]\n"
    "Flashes 1, 2, 4 and 8 readers of mv4700-sim --readers N --wire-time at 57600 baud\n"
    "with an image of image-length bytes (default 32767) through\n"
    "'mv4700 --all --yes --baud 57600 flash', as a child process, rounds times each\n"
    "(default 1); prints the medians: wall seconds, wall against one reader, the\n"
    "child's processor seconds a reader and its peak memory. Then times\n"
    "'mv4700 --all list' over 16 silent slots against one (3 rounds at least).\n";

// What one run of mv4700 cost.
struct ChildFigures {
  int status = -1;
  double wall = -1;
  double processor = 0;
  long peakKilobytes = 0;
};

// Runs mv4700 with `arguments`, MV4700_COM_PORTS set to `ports`, its output
// thrown away; waits for it and takes its own resource use.
ChildFigures runTool(const QStringList& arguments, const QStringList& ports) {
  qputenv("MV4700_COM_PORTS", ports.join(u',').toLocal8Bit());
  std::vector<QByteArray> words{QByteArray(MV4700_CLI_PATH)};
  for (const QString& a : arguments) words.push_back(a.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  ChildFigures f;
  pid_t pid = 0;
  const Steady::time_point start = Steady::now();
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return f;
  int status = 0;
  rusage u{};
  if (::wait4(pid, &status, 0, &u) != pid) return f;
  f.wall = std::chrono::duration<double>(Steady::now() - start).count();
  f.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  f.processor =
      u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
  f.peakKilobytes = u.ru_maxrss;
  return f;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Flashes `readers` emulated readers at once through mv4700 --all.
ChildFigures flashAtOnce(int readers, const QString& imagePath) {
  testing::SimulatedReader sim(MV4700_SIM_PATH, {"--readers", QString::number(readers), "--baud",
                                                 "57600", "--boot-seconds", "1.2", "--wire-time"});
  if (sim.paths().size() != readers) return {};
  const ChildFigures f =
      runTool({"--all", "--yes", "--baud", "57600", "flash", imagePath}, sim.paths());
  return f.status == 0 ? f : ChildFigures{};
}

// mv4700 --all list over `ports` silent readers' ports: the parallel probe.
double probeSeconds(int ports) {
  testing::SimulatedReader sim(MV4700_SIM_PATH, {"--readers", QString::number(ports), "--silent"});
  if (sim.paths().size() != ports) return -1;
  return runTool({"--all", "list"}, sim.paths()).wall;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<int> numbers = bench::numbersOrExit(
      argc, argv, kUsage, {{32767, sampleImageMinimumLength(kVersionText), 32767}, {1, 1, 100}});
  const int length = numbers[0];
  const int rounds = numbers[1];
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString imagePath = dir.filePath("fleet.bin");
  QFile file(imagePath);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(makeSampleImage(length, kVersionText)) != length) {
    std::fprintf(stderr, "cannot write the image\n");
    return 1;
  }
  file.close();

  std::printf("%d-byte image over RS232 at 57600 baud, wire time, %d round(s), medians:\n", length,
              rounds);
  std::printf("readers  wall s  x one  processor s a reader  peak MB (the mv4700 process)\n");
  double one = 0;
  for (const int readers : {1, 2, 4, 8}) {
    std::vector<double> walls, processor, peak;
    for (int r = 0; r < rounds; ++r) {
      const ChildFigures f = flashAtOnce(readers, imagePath);
      if (f.wall < 0) {
        std::fprintf(stderr, "the flash of %d readers failed\n", readers);
        return 1;
      }
      walls.push_back(f.wall);
      processor.push_back(f.processor / readers);
      peak.push_back(f.peakKilobytes / 1024.0);
    }
    const double wall = median(walls);
    if (readers == 1) one = wall;
    std::printf("%7d  %6.2f  %5.2f  %20.2f  %7.1f\n", readers, wall, wall / one, median(processor),
                median(peak));
    std::fflush(stdout);
  }
  std::vector<double> oneSlot, sixteen;
  for (int r = 0; r < std::max(rounds, 3); ++r) {
    oneSlot.push_back(probeSeconds(1));
    sixteen.push_back(probeSeconds(16));
  }
  std::printf("mv4700 --all list over silent slots: one %.2f s, sixteen %.2f s, x %.2f\n",
              median(oneSlot), median(sixteen), median(sixteen) / median(oneSlot));
  return 0;
}
