#include "commands/commands.h"
#include "tests/firmware/flash_fixture.h"

namespace mv4700 {
namespace {

using testing::FlashRig;
using Report = testing::HidTap::Report;

constexpr std::size_t kUpdateSend = 5;  // identify, erase x2, silent identify, update command

// A 4700-01 on USB.
struct UsbRig : FlashRig {
  UsbRig() { hid.addReader(); }
  ReaderModel& reader() { return hid.reader(0); }
  // The reports after the update command: the length report, then the data.
  std::vector<Report> afterUpdateCommand() const {
    if (hidTap.sent.size() <= kUpdateSend) return {};
    return {hidTap.sent.begin() + kUpdateSend, hidTap.sent.end()};
  }
  // Every command ends with the device closed and linkState empty.
  void expectClosed() const {
    EXPECT_EQ(session.usb.hidDevice, 0u);
    EXPECT_EQ(session.shared.linkState, "");
  }
};

TEST(UsbFlashTest, FlashesTheImageInSixByteBlocks) {
  struct Case {
    int length;
    std::uint8_t lh, ll;
    std::size_t dataReports;
  } cases[] = {{300, 0x01, 0x2C, 52},
               {6000, 0x17, 0x70, 1002},
               {6001, 0x17, 0x71, 1002},
               {8192, 0x20, 0x00, 1367}};
  int repaintsBesideDots = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    UsbRig rig;
    const QByteArray file = rig.flash({.length = c.length});

    const std::vector<Report> reports = rig.afterUpdateCommand();
    ASSERT_EQ(reports.size(), 1 + c.dataReports);
    EXPECT_EQ(reports[0], (Report{0x00, 0x1B, 0xA8, 0x00, 0x00, c.lh, c.ll, 0x00, 0x00}));
    for (std::size_t r = 1; r < reports.size(); ++r) {
      const int start = static_cast<int>(r - 1) * 6;
      Report expected{0x00, 0x1B, 0xA8};
      for (int i = 0; i < 6; ++i)
        expected[3 + i] = start + i < file.size() ? static_cast<std::uint8_t>(file[start + i]) : 0;
      ASSERT_EQ(reports[r], expected) << "block at " << start;
    }

    const int dots = (c.length + 6) / 48 + 1;
    // Repaints are per dot, never per block.
    const int repaints = rig.status.refreshes + rig.status.refreshAlls - dots;
    if (repaintsBesideDots < 0) repaintsBesideDots = repaints;
    EXPECT_EQ(repaints, repaintsBesideDots);
    const QString total = QString("Total %1 Bytes. Writing:").arg(c.length) + QString(dots, u'.');
    EXPECT_EQ(
        rig.status.lines,
        (QStringList{"Searching TQ-4700 on USB ports...", "Checking TQ-4700 USB...",
                     "TQ-4700 connected on USB port !", "Erase TQ-4700 program memory ...Sent!",
                     "Waiting for TQ-4700 USB reconnect ...", "TQ-4700 connected on USB port !",
                     "Firmware update command to TQ4700 ... Confirm!",
                     "Firmware updating via USB Please Wait ...", total,
                     "TQ-4700 firmware update finished !"}));
    EXPECT_EQ(rig.reader().storedImage(), file);
    rig.expectClosed();
    readVersion(rig.session);
    EXPECT_EQ(rig.session.replyText, "V2.07 2026");
    EXPECT_TRUE(rig.serial.sentBytes(1).isEmpty());
  }
}

TEST(UsbFlashTest, EraseLineJudgesOnlyTheSecondHalf) {
  struct Case {
    std::size_t failingSend;
    const char* line;
    bool goesOn;
  } cases[] = {{2, "Erase TQ-4700 program memory ...Sent!", true},
               {3, "Erase TQ-4700 program memory ...Fail...!", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    UsbRig rig;
    rig.hidTap.failSends = {c.failingSend};
    rig.flash({});
    EXPECT_TRUE(rig.status.lines.contains(c.line));
    EXPECT_EQ(rig.hidTap.sent.size() > 3, c.goesOn);
    rig.expectClosed();
  }
}

TEST(UsbFlashTest, SilentSearchesForTheLoader) {
  struct Case {
    double rebootSeconds;
    QString line;
  } cases[] = {{2.0, "TQ-4700 connected on USB port !"},
               {4.5, "..TQ-4700 connected on USB port !"},
               {1e6, QString(20, u'.') + "Firmware update Fail!"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    UsbRig rig;
    rig.reader().setRebootSeconds(c.rebootSeconds);
    rig.flash({});
    ASSERT_GE(rig.status.lines.size(), 6);
    EXPECT_EQ(rig.status.lines[4], "Waiting for TQ-4700 USB reconnect ...");
    EXPECT_EQ(rig.status.lines[5], c.line);
    rig.expectClosed();
  }
}

TEST(UsbFlashTest, UpdateCommandNeedsTheWholeAnswer) {
  for (std::size_t byte : {0u, 3u, 8u}) {
    SCOPED_TRACE(byte);
    UsbRig rig;
    rig.hidTap.patchReplyToSend = kUpdateSend;
    rig.hidTap.patchByte = byte;
    rig.hidTap.patchValue = 0x01;
    rig.flash({});
    EXPECT_EQ(rig.lastLine(), "Firmware update command to TQ4700 ... Fail!");
    EXPECT_EQ(rig.hidTap.sent.size(), kUpdateSend);
    rig.expectClosed();
  }
}

TEST(UsbFlashTest, ReaderFallingSilentStopsTheTransfer) {
  {
    UsbRig rig;
    rig.hidTap.silentAfterSend = kUpdateSend + 1;
    rig.flash({});
    EXPECT_EQ(rig.lastLine(), "Binary length received error");
    EXPECT_EQ(rig.hidTap.sent.size(), kUpdateSend + 1);  // no data after an unheard length
    rig.expectClosed();
  }
  {
    UsbRig rig;
    rig.reader().faults().unplugAfterLoaderFrames = 10;
    rig.flash({.length = 300});
    EXPECT_EQ(rig.status.lines.mid(rig.status.lines.size() - 2),
              (QStringList{"Total 300 Bytes. Writing:..", "Write error!"}));
    EXPECT_EQ(rig.afterUpdateCommand().size(), 1 + 11u);  // the eleventh got no answer
    rig.expectClosed();
  }
}

// The loader's replies to the length and data reports are its own: whatever
// layout it answers in, the image goes through.
TEST(UsbFlashTest, EveryLoaderReplyLayoutIsTaken) {
  using Replies = ReaderModel::UsbLoaderReplies;
  for (const Replies replies :
       {Replies::EchoThenStatus, Replies::StatusOnly, Replies::Echo, Replies::StatusLast}) {
    SCOPED_TRACE(static_cast<int>(replies));
    UsbRig rig;
    rig.reader().setUsbLoaderReplies(replies);
    const QByteArray file = rig.flash({.length = 300});
    EXPECT_EQ(rig.lastLine(), "TQ-4700 firmware update finished !");
    EXPECT_EQ(rig.afterUpdateCommand().size(), 1 + 52u);
    EXPECT_EQ(rig.reader().storedImage(), file);
    rig.expectClosed();
  }
}

TEST(UsbFlashTest, ALoaderThatNeverAnswersStopsAfterTheLength) {
  UsbRig rig;
  rig.reader().setUsbLoaderReplies(ReaderModel::UsbLoaderReplies::None);
  rig.flash({.length = 300});
  EXPECT_EQ(rig.lastLine(), "Binary length received error");
  EXPECT_EQ(rig.afterUpdateCommand().size(), 1u);
  rig.expectClosed();
}

// The reader as hardware may have it, and a second reader on the bus (its
// program, or its own loader): the flash follows its reader by the port it is
// plugged into, ends with the finish line in bounded time, and never talks to
// the neighbour.
TEST(UsbFlashTest, FollowsItsReaderThroughHardwareWaysAndPastANeighbour) {
  using Setup = SimHidLibrary::DeviceSetup;
  enum class Neighbour { None, Program, Loader };
  struct Case {
    const char* name;
    Setup setup;
    bool restartsItself = false;
    Neighbour neighbour = Neighbour::None;
    bool lateReplyWaiting = false;  // a reply nobody read before this run
  } cases[] = {
      {"new node", {.newNodeOnRestart = true}},
      {"new node, neighbour's program", {.newNodeOnRestart = true}, false, Neighbour::Program},
      {"new node, neighbour's loader", {.newNodeOnRestart = true}, false, Neighbour::Loader},
      {"same node, neighbour's loader", {}, false, Neighbour::Loader},
      {"latency", {.replyLatency = 0.2}},
      {"late reply kept", {.keepQueuedReports = true}, false, Neighbour::None, true},
      {"restarts by itself", {.newNodeOnRestart = true}, true, Neighbour::Program},
      {"all at once",
       {.keepQueuedReports = true, .newNodeOnRestart = true},
       true,
       Neighbour::Loader,
       true},
      {"latency, new node, neighbour",
       {.replyLatency = 0.05, .newNodeOnRestart = true},
       false,
       Neighbour::Program},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlashRig rig;
    rig.hid.addReader(c.setup).faults().restartAfterLastBlock = c.restartsItself;
    if (c.neighbour != Neighbour::None) rig.hid.addReader();
    if (c.neighbour == Neighbour::Loader) rig.hid.reader(1).startInLoader();
    if (c.lateReplyWaiting) {
      HidHandle h = 0;
      rig.hid.GetNumHidDevices(kReaderVendorId, kReaderProductId);
      ASSERT_EQ(rig.hid.Open(h, 0, kReaderVendorId, kReaderProductId, 0), 0);
      const Report version{0x00, 0x1B, 0x01};
      rig.hid.SetOutputReport_Interrupt(h, version.data(), 9);
      rig.hid.Close(h);
    }
    const double start = rig.clock.peek();
    const QByteArray file = rig.flash({.length = 300});

    EXPECT_EQ(rig.outcome, Outcome::Done);
    EXPECT_EQ(rig.lastLine(), "TQ-4700 firmware update finished !");
    EXPECT_EQ(rig.hid.reader(0).storedImage(), file);
    if (c.neighbour != Neighbour::None) {
      EXPECT_TRUE(rig.hid.sentReports(1).empty());
    }
    // Three dots, the reboot, and each of the 53 exchanges' latency.
    EXPECT_LT(rig.clock.peek() - start, 3 + 2 + 54 * (c.setup.replyLatency + 0.01) + 1);
    EXPECT_EQ(rig.session.usb.hidDevice, 0u);
  }
}

TEST(UsbFlashTest, CancelSendsNothing) {
  UsbRig rig;
  rig.dialogs.answers = {Dialogs::Answer::Cancel};
  rig.flash({});
  EXPECT_TRUE(rig.hidTap.sent.empty());
  EXPECT_EQ(rig.status.clears, 0);
  EXPECT_TRUE(rig.status.transcript.isEmpty());
  for (int port = 1; port <= 16; ++port) EXPECT_TRUE(rig.serial.sentBytes(port).isEmpty());
}

}  // namespace
}  // namespace mv4700
