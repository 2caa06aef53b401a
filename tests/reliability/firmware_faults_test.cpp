#include <functional>

#include "firmware/erase_command.h"
#include "tests/firmware/flash_fixture.h"

namespace mv4700::testing {
namespace {

using Step = ReaderModel::LoaderStep;

// What a failure costs on hardware, in seconds. USB: the three reconnect
// dots, one second per search that finds no loader, and one second for a read
// the loader leaves unanswered. Serial: the search's unanswered identify at
// 9600 (0.2), then the loader's boot (2) or the whole loader wait (1 + 6),
// and two seconds for a frame left unanswered. The frames' own wire time
// (520 us each at 57600) comes on top.
constexpr double kDots = 3, kSearches = 20, kUnanswered = 1;
constexpr double kSearch = 0.2, kBoot = 2, kLoaderWait = 1 + 6, kFrameWait = 2;
constexpr double kFrame = 30.0 / 57600;

struct Case {
  const char* name;
  bool usb;
  std::function<void(FlashRig&, ReaderModel&)> arrange;
  QString lastLine;
  double seconds;
};

void silentAfterErase(FlashRig& rig, ReaderModel& reader) {
  const QByteArray erase(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size());
  rig.serialTap.afterOutput = [&reader, erase](const QByteArray& sent) {
    if (sent == erase) reader.faults().silent = true;
  };
}

// Every stage of both transfers, with the reader going quiet, dying, or
// answering a byte it should not: each ends with its line, the links closed,
// no image stored, and within the waits the update may take.
TEST(FirmwareFaultsTest, EveryStageFailsClosedAndInTime) {
  const QString ackTimeout = "Receive device ACK timeout, Flash abort!";
  const Case cases[] = {
      {"loader never back", true, [](FlashRig&, ReaderModel& m) { m.setRebootSeconds(1e6); },
       "....................Firmware update Fail!", kDots + kSearches},
      {"length unanswered", true,
       [](FlashRig& r, ReaderModel& m) {
         // The fifth report is the length: the loader hears it and says nothing.
         r.hidTap.afterSend = [&m](std::size_t send) {
           if (send == 5) m.faults().silent = true;
         };
       },
       "Binary length received error", kDots + kUnanswered},
      {"hangs in the data", true,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 10; }, "Write error!",
       kDots + kUnanswered},
      {"hangs at the last block", true,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 49; }, "Write error!",
       kDots + kUnanswered},
      {"unplugged at the last block", true,
       [](FlashRig&, ReaderModel& m) { m.faults().unplugAfterLoaderFrames = 49; }, "Write error!",
       kDots},
      {"garbage to the update command", true,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Update, 0x33}};
       },
       "Firmware update command to TQ4700 ... Fail!", kDots},
      // What the loader answers to the length and the data is not the tool's
      // to judge: an answer is taken, and the transfer goes on to its end.
      {"garbage to the length", true,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Length, 0x33}};
       },
       "TQ-4700 firmware update finished !", kDots},
      {"garbage to a data block", true,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Frame, 0x33, 5}};
       },
       "TQ-4700 firmware update finished !", kDots},
      {"erase unheard", false, [](FlashRig& r, ReaderModel& m) { silentAfterErase(r, m); },
       "Waiting for 4700-01 reboot ..." + ackTimeout, kSearch + kLoaderWait},
      {"loader never ready", false, [](FlashRig&, ReaderModel& m) { m.setRebootSeconds(1e6); },
       "Waiting for 4700-01 reboot ..." + ackTimeout, kSearch + kLoaderWait},
      {"garbage at the loader wait", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Ready, 0x33}};
       },
       "Waiting for 4700-01 reboot ...[33] ACK receive error, Flash abort! ", kSearch + kBoot},
      {"garbage to the update command", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Update, 0x33}};
       },
       "Firmware update command to 4700-01 ...[33] ACK receive error, Flash abort! ",
       kSearch + kBoot},
      {"garbage to the speed change", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::SpeedChange, 0x33}};
       },
       "[33] ACK receive error, Flash abort! ", kSearch + kBoot},
      {"hangs in the data", false,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 10; },
       "Total 300 Bytes. Writing:" + ackTimeout, kSearch + kBoot + 10 * kFrame + kFrameWait},
      {"unplugged in the data", false,
       [](FlashRig&, ReaderModel& m) { m.faults().unplugAfterLoaderFrames = 10; },
       "Total 300 Bytes. Writing:" + ackTimeout, kSearch + kBoot + 10 * kFrame + kFrameWait},
      {"hangs at the end", false,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 300; },
       "Total 300 Bytes. Writing:......" + ackTimeout, kSearch + kBoot + 300 * kFrame + kFrameWait},
      {"unplugged at the end", false,
       [](FlashRig&, ReaderModel& m) { m.faults().unplugAfterLoaderFrames = 300; },
       "Total 300 Bytes. Writing:......" + ackTimeout, kSearch + kBoot + 300 * kFrame + kFrameWait},
      {"garbage at the end", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::End, 0x33}};
       },
       "Total 300 Bytes. Writing:......[33] ACK receive error, Flash abort! ",
       kSearch + kBoot + 300 * kFrame},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.usb ? " usb" : " serial"));
    FlashRig rig;
    ReaderModel& reader =
        c.usb ? rig.hid.addReader() : rig.serial.attachReader(3, ReaderModel::Kind::New, 19200);
    c.arrange(rig, reader);
    const double start = rig.clock.peek();
    rig.flash({.length = 300});
    const double took = rig.clock.peek() - start;
    EXPECT_EQ(rig.lastLine(), c.lastLine);
    EXPECT_TRUE(reader.storedImage().isEmpty());
    EXPECT_EQ(rig.session.usb.hidDevice, 0u);
    EXPECT_FALSE(rig.serial.portOpen());
    EXPECT_TRUE(rig.session.linkState().isEmpty());
    // The whole wait, and not much more: the test clock's polls add a little.
    EXPECT_GE(took, c.seconds);
    EXPECT_LT(took, c.seconds + 0.2);
  }
}

}  // namespace
}  // namespace mv4700::testing
