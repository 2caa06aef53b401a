// Flashes 1, 2, 4 and 8 emulated serial readers at once at wire time through
// the bench engine, and probes 16 silent pseudo-terminal slots against one.
//
//   bench_fleet [image-length [rounds]]
#include <sys/resource.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "fleet/bench_engine.h"
#include "fleet/bench_search.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"
#include "tests/support/simulated_reader.h"

using namespace mv4700;
using Steady = std::chrono::steady_clock;

namespace {

class ConfirmAll final : public Dialogs {
 public:
  Answer show(Icon, Buttons, const QString&, const QString&) override { return Answer::Ok; }
};

class QuietReport final : public BenchReport {
 public:
  void started(int) override {}
  void statusLine(int, const QString&) override {}
  void progress(int, std::int64_t, std::int64_t) override {}
  void ended(int, const BenchEnd&) override {}
};

ReaderBackends qtBackends(const ListedReader& reader) {
  ReaderBackends b;
  b.clock = std::make_unique<SteadyClock>();
  b.hid = std::make_unique<SimHidLibrary>(*b.clock);
  auto port = std::make_unique<QtSerialService>();
  port->setOnlyPort(reader.path, reader.comPort);
  b.serial = std::move(port);
  return b;
}

std::vector<BenchReader> find(const QStringList& paths) {
  qputenv("MV4700_COM_PORTS", paths.join(u',').toLocal8Bit());
  SteadyClock clock;
  SimHidLibrary noUsb(clock);
  BenchSearch serialOnly;
  serialOnly.usb = false;
  return findBenchReaders(
      noUsb, [] { return std::make_unique<QtSerialService>(); },
      [] { return std::make_unique<SteadyClock>(); }, serialOnly);
}

double processorSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

long peakKilobytes() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct FlashFigures {
  double wall = -1;
  double processorPerReader = 0;
};

// Flashes `readers` emulated readers at once; wall time from the first frame
// of any to the end of the last, and the tool's processor time a reader.
FlashFigures flashAtOnce(int readers, const QString& imagePath) {
  testing::SimulatedReader sim(MV4700_SIM_PATH, {"--readers", QString::number(readers), "--baud",
                                                 "57600", "--boot-seconds", "1.2", "--wire-time"});
  if (sim.paths().size() != readers) return {};
  const std::vector<BenchReader> found = find(sim.paths());
  if (static_cast<int>(found.size()) != readers) return {};
  QuietReport report;
  BenchEngine engine(qtBackends, report);
  const double cpuBefore = processorSeconds();
  const Steady::time_point start = Steady::now();
  const std::vector<BenchEnd> ends =
      engine.run(found, [&imagePath](DeviceSession& session, TransferWatch& watch) {
        ConfirmAll yes;
        FirmwareImage image;
        const Outcome outcome = Fwupdate(session, image, yes, imagePath, &watch);
        return ReaderJobResult{outcome, outcome == Outcome::Done ? 0 : 2};
      });
  const double wall = std::chrono::duration<double>(Steady::now() - start).count();
  for (const BenchEnd& end : ends)
    if (end.outcome != Outcome::Done) return {};
  return {wall, (processorSeconds() - cpuBefore) / readers};
}

// The parallel probe of `ports` silent readers' ports.
double probeSeconds(int ports) {
  testing::SimulatedReader sim(MV4700_SIM_PATH, {"--readers", QString::number(ports), "--silent"});
  if (sim.paths().size() != ports) return -1;
  const Steady::time_point start = Steady::now();
  find(sim.paths());
  return std::chrono::duration<double>(Steady::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && QByteArray(argv[1]) == "--help") {
    std::printf("usage: bench_fleet [image-length [rounds]]\n");
    return 0;
  }
  const int length = argc > 1 ? std::atoi(argv[1]) : 32767;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
  QTemporaryDir dir;
  const QString imagePath = dir.filePath("fleet.bin");
  QFile file(imagePath);
  if (!file.open(QIODevice::WriteOnly) || file.write(makeSampleImage(length, "FLEET")) != length) {
    std::fprintf(stderr, "cannot write the image\n");
    return 1;
  }
  file.close();

  std::printf("%d-byte image over RS232 at 57600 baud, wire time, %d round(s), medians:\n", length,
              rounds);
  std::printf("readers  wall s  x one  processor s a reader  peak MB\n");
  double one = 0;
  for (const int readers : {1, 2, 4, 8}) {
    std::vector<double> walls, processor;
    for (int r = 0; r < rounds; ++r) {
      const FlashFigures f = flashAtOnce(readers, imagePath);
      if (f.wall < 0) {
        std::fprintf(stderr, "the flash of %d readers failed\n", readers);
        return 1;
      }
      walls.push_back(f.wall);
      processor.push_back(f.processorPerReader);
    }
    const double wall = median(walls);
    if (readers == 1) one = wall;
    std::printf("%7d  %6.2f  %5.2f  %20.2f  %7.1f\n", readers, wall, wall / one, median(processor),
                peakKilobytes() / 1024.0);
    std::fflush(stdout);
  }
  std::vector<double> oneSlot, sixteen;
  for (int r = 0; r < std::max(rounds, 3); ++r) {
    oneSlot.push_back(probeSeconds(1));
    sixteen.push_back(probeSeconds(16));
  }
  std::printf("probe of silent slots: one %.2f s, sixteen %.2f s, x %.2f\n", median(oneSlot),
              median(sixteen), median(sixteen) / median(oneSlot));
  return 0;
}
