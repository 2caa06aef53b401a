// The bench that never stops: readers served as they come, once each until
// they are gone and come back.
#include "fleet/bench_watch.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "fleet/bench_search.h"
#include "fleet/worker_thread.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"
#include "tests/support/bench_helpers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

class CountingReport final : public BenchReport {
 public:
  void started(int) override {}
  void statusLine(int, const QString&) override {}
  void progress(int, std::int64_t, std::int64_t) override {}
  void ended(int, const BenchEnd&) override { ++endedCount; }
  std::atomic<int> endedCount{0};
};

// Waits, asleep, until `done` or ten seconds passed.
bool within10s(const std::function<bool()>& done) {
  for (int k = 0; k < 100 && !done(); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return done();
}

// Two readers flashed as they answer; each restarts into its new program and
// stays, and is not flashed again; one is unplugged and plugged back in, and
// is flashed again.
TEST(BenchWatchTest, ServesEachReaderOnceUntilItComesBack) {
  QTemporaryDir dir;
  SimulatedReader sim(MV4700_SIM_PATH,
                      {"--readers", "2", "--boot-seconds", "1.2", "--link", dir.filePath("port")});
  ASSERT_EQ(sim.paths().size(), 2);
  qputenv("MV4700_COM_PORTS", (dir.filePath("port1") + u',' + dir.filePath("port2")).toLocal8Bit());
  const QString imagePath = dir.filePath("image.bin");
  QFile file(imagePath);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(makeSampleImage(200, "WATCH 1"));
  file.close();

  CountingReport report;
  BenchEngine engine(productPortBackends, report);
  SteadyClock clock;
  BenchWatch watch(
      engine,
      [](const BenchBusy& busy) {
        SteadyClock searchClock;
        SimHidLibrary noUsb(searchClock);
        BenchSearch search;
        search.usb = false;
        search.skipSlot = [&busy](int slot) { return busy.serialSlots.count(slot) > 0; };
        return findBenchReaders(
            noUsb, [] { return std::make_unique<QtSerialService>(); },
            [] { return std::make_unique<SteadyClock>(); }, search);
      },
      clock);
  const ReaderJob flash = [&imagePath](DeviceSession& session, TransferWatch& w) {
    ScriptedDialogs yes;
    FirmwareImage image;
    const Outcome outcome = Fwupdate(session, image, yes, imagePath, &w);
    return ReaderJobResult{outcome, outcome == Outcome::Done ? 0 : 2};
  };
  std::atomic<bool> stop{false};
  std::vector<BenchEnd> ends;
  WorkerThread watching([&] {
    ends = watch.watch(
        flash, [&stop] { return stop.load(); }, 0.3);
  });

  ASSERT_TRUE(within10s([&] { return report.endedCount == 2; }));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(report.endedCount, 2) << "a reader back in its new program was served again";

  sim.command("2 hangup");
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  sim.command("2 replug");
  EXPECT_TRUE(within10s([&] { return report.endedCount == 3; }));
  stop = true;
  watching.join();
  ASSERT_EQ(ends.size(), 3u);
  for (const BenchEnd& end : ends) EXPECT_EQ(end.outcome, Outcome::Done);
}

}  // namespace
}  // namespace mv4700::testing
