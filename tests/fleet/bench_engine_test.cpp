// Every reader on the bench at once: mv4700-sim serves several readers on
// pseudo-terminals, the product serial backend reaches each from a thread of
// its own.
#include "fleet/bench_engine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>
#include <mutex>

#include "commands/commands.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "fleet/bench_jobs.h"
#include "fleet/bench_search.h"
#include "fleet/worker_thread.h"
#include "link/device_session.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"
#include "tests/support/bench_helpers.h"
#include "tests/support/qt_printers.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

TEST(BenchSummaryTest, CountsReadersInWords) {
  EXPECT_EQ(benchSummary(1, 1, 0), QString("1 reader: 1 done, 0 failed"));
  EXPECT_EQ(benchSummary(3, 1, 1, 1), QString("3 readers: 1 done, 1 failed, 1 declined"));
}

// Everything the engine reported, reader by reader.
class RecordingReport final : public BenchReport {
 public:
  void started(int reader) override { at(reader).started = true; }
  void statusLine(int reader, const QString& line) override { at(reader).lines << line; }
  void progress(int reader, std::int64_t done, std::int64_t total) override {
    Reader& r = at(reader);
    r.done = done;
    r.total = total;
    if (onProgress) onProgress(done);
  }
  void ended(int reader, const BenchEnd& end) override { at(reader).end = end; }

  struct Reader {
    bool started = false;
    QStringList lines;
    std::int64_t done = 0, total = 0;
    std::optional<BenchEnd> end;
  };
  Reader get(int reader) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return readers_[reader];
  }
  std::function<void(std::int64_t done)> onProgress;

 private:
  Reader& at(int reader) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return readers_[reader];
  }
  std::mutex mutex_;
  std::map<int, Reader> readers_;
};

std::vector<BenchReader> findOnSlots(const QStringList& paths, SimHidLibrary* usb = nullptr) {
  qputenv("MV4700_COM_PORTS", paths.join(u',').toLocal8Bit());
  SteadyClock clock;
  SimHidLibrary none(clock);
  return findBenchReaders(
      usb ? *usb : none, [] { return std::make_unique<QtSerialService>(); },
      [] { return std::make_unique<SteadyClock>(); }, {});
}

ReaderJob flashJob(const QString& imagePath) {
  return [imagePath](DeviceSession& session, TransferWatch& watch) {
    ScriptedDialogs yes;
    FirmwareImage image;
    const Outcome outcome = Fwupdate(session, image, yes, imagePath, &watch);
    return ReaderJobResult{outcome, outcome == Outcome::Done ? 0 : 2};
  };
}

// Four readers at four speeds, one whose loader hangs: the search finds each
// at its speed, the three others are flashed and report the new version, and
// the hung one fails alone with its own line.
TEST(BenchEngineTest, FlashesEveryReaderAtOnceAndAFaultCostsOnlyItsReader) {
  // The loader is up after the tool's second of waiting, as on hardware.
  SimulatedReader sim(MV4700_SIM_PATH, {"--readers", "4", "--baud", "9600,19200,57600,115200",
                                        "--boot-seconds", "1.2", "--wire-time"});
  ASSERT_EQ(sim.paths().size(), 4);
  sim.command("4 loader-stall 10");
  const std::vector<BenchReader> readers = findOnSlots(sim.paths());
  ASSERT_EQ(readers.size(), 4u);
  const QStringList speeds{"9600", "19200", "57600", "115200"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(readers[k].where.baud, speeds[k]);
    EXPECT_EQ(readers[k].name, QStringLiteral("RS232 COM%1 %2").arg(k + 1).arg(sim.paths()[k]));
  }

  QTemporaryDir dir;
  RecordingReport report;
  BenchEngine engine(productPortBackends, report);
  const std::vector<BenchEnd> ends =
      engine.run(readers, flashJob(sampleImageFile(dir, 300, "FLEET 2")));
  ASSERT_EQ(ends.size(), 4u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(ends[k].outcome, Outcome::Done) << k;
    EXPECT_EQ(report.get(k).lines.last(), "4700-01 firmware update Finished!");
    EXPECT_EQ(report.get(k).done, 300);
  }
  EXPECT_EQ(ends[3].outcome, Outcome::Failed);
  EXPECT_EQ(ends[3].exitStatus, 2);
  EXPECT_TRUE(report.get(3).lines.last().endsWith("Receive device ACK timeout, Flash abort!"))
      << report.get(3).lines.last().toStdString();

  // Back in their programs at their own speeds, the flashed three report the image's text.
  RecordingReport versions;
  BenchEngine again(productPortBackends, versions);
  again.run(std::vector<BenchReader>(readers.begin(), readers.begin() + 3),
            [](DeviceSession& session, TransferWatch&) {
              return ReaderJobResult{readVersion(session), 0};
            });
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(versions.get(k).lines.contains("FLEET 2")) << k;
}

// A stop asked during a parallel flash stops every transfer, each through its
// closing steps: the ports are free again at once.
TEST(BenchEngineTest, AStopEndsEveryTransferWithItsClosingSteps) {
  SimulatedReader sim(MV4700_SIM_PATH, {"--readers", "3", "--baud", "57600", "--boot-seconds",
                                        "1.2", "--wire-time"});
  ASSERT_EQ(sim.paths().size(), 3);
  const std::vector<BenchReader> readers = findOnSlots(sim.paths());
  ASSERT_EQ(readers.size(), 3u);
  QTemporaryDir dir;
  RecordingReport report;
  BenchEngine engine(productPortBackends, report);
  report.onProgress = [&engine](std::int64_t done) {
    if (done >= 100) engine.requestStop();
  };
  const std::vector<BenchEnd> ends =
      engine.run(readers, flashJob(sampleImageFile(dir, 5000, "STOP")));
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(ends[k].outcome, Outcome::Failed) << k;
    EXPECT_LT(report.get(k).done, 5000) << k;
    EXPECT_TRUE(report.get(k).started);
  }
  // Closed: each port opens again at once.
  for (const QString& path : sim.paths()) EXPECT_TRUE(portOpensAgain(path)) << path.toStdString();
}

}  // namespace
}  // namespace mv4700::testing
