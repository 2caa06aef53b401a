// mv4700 flash --rescue in process over the emulator's HID library: a reader
// whose update was stopped half way is brought back once it has been powered
// off and on while the rescue waits.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <csignal>

#include "cli/cli.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/cli/in_process_run.h"
#include "tests/firmware/hid_tap.h"
#include "tests/firmware/image_files.h"
#include "tests/support/qt_printers.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {
namespace {

constexpr double kRescueWait = 60;

class CliUsbRescue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(writeFile(file, image));
  }

  CliRun run(const QStringList& arguments) { return runInProcess(devices, arguments); }

  // Ctrl+C twice half way through the blocks: the reader is left in its
  // loader, on the bus, with no program.
  void stopAFlashHalfWay() {
    tap.afterSend = [](std::size_t send) {
      if (send != 40) return;
      std::raise(SIGINT);
      std::raise(SIGINT);
    };
    ASSERT_EQ(run({"--yes", "flash", file}).status, 130);
    tap.afterSend = nullptr;
    ASSERT_EQ(reader.mode(), ReaderModel::Mode::Loader);
  }

  // The operator switches the reader off and on while the rescue looks.
  void powerCycleWhileWaiting() {
    tap.beforeCounts({{2, [this] { reader.unplug(); }}, {4, [this] { reader.replug(); }}});
  }

  QTemporaryDir dir;
  const QString file = dir.filePath("fw.bin");
  const QByteArray image = makeImage({.length = 600});
  TestClock clock;
  SimHidLibrary hid{clock};
  ReaderModel& reader = hid.addReader();
  HidTap tap{hid};
  SimSerialService serial{clock};
  cli::Devices devices{tap, serial, clock};
};

TEST_F(CliUsbRescue, AStoppedUpdateIsBroughtBackThroughAPowerCycle) {
  stopAFlashHalfWay();
  powerCycleWhileWaiting();
  const CliRun rescue = run({"--yes", "flash", "--rescue", file});
  EXPECT_EQ(rescue.status, 0) << rescue.err.toStdString();
  EXPECT_TRUE(rescue.err.contains("Rescue of a reader left in its loader"));
  EXPECT_TRUE(
      rescue.errLines.contains("Switch the reader off and on again; waiting for its loader ..."));
  EXPECT_EQ(rescue.out, "Verified: the reader reports V2.07 2026\n");
  EXPECT_EQ(reader.storedImage(), image);
}

// Nothing comes onto the bus: no reader at all, or the stopped one left as it
// is, which the rescue must not talk to.
TEST_F(CliUsbRescue, ALoaderThatNeverShowsIsOneLineAndExitOneWithNothingSent) {
  for (const bool stoppedReaderOnTheBus : {false, true}) {
    SCOPED_TRACE(stoppedReaderOnTheBus);
    if (stoppedReaderOnTheBus) {
      reader.replug();
      stopAFlashHalfWay();
    } else {
      reader.unplug();
    }
    tap.sent.clear();
    const double start = clock.peek();
    const CliRun rescue = run({"--yes", "flash", "--rescue", file});
    EXPECT_EQ(rescue.status, 1);
    EXPECT_GE(clock.peek() - start, kRescueWait);
    EXPECT_LT(clock.peek() - start, kRescueWait + 2);
    EXPECT_TRUE(tap.sent.empty());
    EXPECT_EQ(rescue.errLines.value(rescue.errLines.size() - 1),
              "Switch the reader off and on again; waiting for its loader ...No TQ-4700 loader "
              "came onto USB within 60 s, Flash abort!");
    EXPECT_TRUE(rescue.out.isEmpty());
  }
}

// As during a flash: the first Ctrl+C warns, the second stops; nothing was sent.
TEST_F(CliUsbRescue, CtrlCTwiceWhileWaitingStops) {
  reader.startInLoader();
  tap.beforeCounts({{3, [] {
                       std::raise(SIGINT);
                       std::raise(SIGINT);
                     }}});
  const double start = clock.peek();
  const CliRun rescue = run({"--yes", "flash", "--rescue", file});
  EXPECT_EQ(rescue.status, 130);
  EXPECT_LT(clock.peek() - start, 5);
  EXPECT_TRUE(tap.sent.empty());
  EXPECT_TRUE(rescue.err.contains("mv4700: firmware update stopped"));
}

// A loader that acknowledges every step and stores nothing: only the verify sees it.
TEST_F(CliUsbRescue, ALoaderThatForgetsFailsTheVerify) {
  reader.faults().forgetImage = true;
  reader.startInLoader();
  powerCycleWhileWaiting();
  const CliRun rescue = run({"--yes", "flash", "--rescue", file});
  EXPECT_EQ(rescue.status, 2);
  EXPECT_TRUE(rescue.errLines.contains("TQ-4700 firmware update finished !"));
  EXPECT_TRUE(rescue.out.startsWith("Verify failed: ")) << rescue.out.toStdString();
  EXPECT_EQ(reader.mode(), ReaderModel::Mode::Loader);
}

TEST_F(CliUsbRescue, AnImageThatFailsTheCheckIsRefusedBeforeAnythingIsSent) {
  ImageShape noFirmware;
  noFirmware.marker = "NOPE00";
  ASSERT_TRUE(writeFile(file, makeImage(noFirmware)));
  reader.startInLoader();
  const CliRun rescue = run({"--yes", "flash", "--rescue", file});
  EXPECT_EQ(rescue.status, 3);
  EXPECT_EQ(tap.counts, 0u);
  EXPECT_TRUE(tap.sent.empty());
}

}  // namespace
}  // namespace mv4700::testing
