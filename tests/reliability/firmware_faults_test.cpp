#include <functional>

#include "firmware/erase_command.h"
#include "tests/firmware/flash_fixture.h"

namespace mv4700::testing {
namespace {

using Step = ReaderModel::LoaderStep;

// Seconds the USB update may wait: the reconnect dots, then one per search.
constexpr double kUsbWaits = 3 + 20;
// The serial update: every identify of the search, the pause after the erase,
// the loader wait, the command and speed answers, and the one frame that fails.
constexpr double kSerialWaits = 4 * 16 * 0.2 + 1 + 6 + 1 + 1 + 2;

struct Case {
  const char* name;
  bool usb;
  std::function<void(FlashRig&, ReaderModel&)> arrange;
  QString lastLine;
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
       "....................Firmware update Fail!"},
      {"length unanswered", true, [](FlashRig& r, ReaderModel&) { r.hidTap.silentAfterSend = 5; },
       "Binary length received error"},
      {"hangs in the data", true,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 10; }, "Write error!"},
      {"hangs at the last block", true,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 49; }, "Write error!"},
      {"unplugged at the last block", true,
       [](FlashRig&, ReaderModel& m) { m.faults().unplugAfterLoaderFrames = 49; }, "Write error!"},
      {"garbage to the update command", true,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Update, 0x33}};
       },
       "Firmware update command to TQ4700 ... Fail!"},
      // What the loader answers to the length and the data is not the tool's
      // to judge: an answer is taken, and the transfer goes on to its end.
      {"garbage to the length", true,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Length, 0x33}};
       },
       "TQ-4700 firmware update finished !"},
      {"garbage to a data block", true,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Frame, 0x33, 5}};
       },
       "TQ-4700 firmware update finished !"},
      {"erase unheard", false, [](FlashRig& r, ReaderModel& m) { silentAfterErase(r, m); },
       "Waiting for 4700-01 reboot ..." + ackTimeout},
      {"loader never ready", false, [](FlashRig&, ReaderModel& m) { m.setRebootSeconds(1e6); },
       "Waiting for 4700-01 reboot ..." + ackTimeout},
      {"garbage at the loader wait", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Ready, 0x33}};
       },
       "Waiting for 4700-01 reboot ...[33] ACK receive error, Flash abort! "},
      {"garbage to the update command", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::Update, 0x33}};
       },
       "Firmware update command to 4700-01 ...[33] ACK receive error, Flash abort! "},
      {"garbage to the speed change", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::SpeedChange, 0x33}};
       },
       "[33] ACK receive error, Flash abort! "},
      {"hangs in the data", false,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 10; },
       "Total 300 Bytes. Writing:" + ackTimeout},
      {"unplugged in the data", false,
       [](FlashRig&, ReaderModel& m) { m.faults().unplugAfterLoaderFrames = 10; },
       "Total 300 Bytes. Writing:" + ackTimeout},
      {"hangs at the end", false,
       [](FlashRig&, ReaderModel& m) { m.faults().silentAfterLoaderFrames = 300; },
       "Total 300 Bytes. Writing:......" + ackTimeout},
      {"unplugged at the end", false,
       [](FlashRig&, ReaderModel& m) { m.faults().unplugAfterLoaderFrames = 300; },
       "Total 300 Bytes. Writing:......" + ackTimeout},
      {"garbage at the end", false,
       [](FlashRig&, ReaderModel& m) {
         m.faults().loaderAnswer = {{Step::End, 0x33}};
       },
       "Total 300 Bytes. Writing:......[33] ACK receive error, Flash abort! "},
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
    EXPECT_LT(took, (c.usb ? kUsbWaits : kSerialWaits) + 1.0);
  }
}

}  // namespace
}  // namespace mv4700::testing
