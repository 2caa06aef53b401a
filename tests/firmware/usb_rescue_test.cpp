// A USB reader left in its loader is flashed once it has been powered off and
// on while the rescue waits; whatever was on the bus all along is not talked to.
#include "tests/firmware/flash_fixture.h"

namespace mv4700::testing {
namespace {

struct Case {
  const char* name;
  SimHidLibrary::DeviceSetup setup;
  bool unpowered;  // the cut took the reader's power; else it stays on the bus as its loader
  bool neighbour;  // a reader with its program on the bus beside it
};

TEST(UsbRescueTest, TheReaderThatComesBackIsFlashedAndNothingElseIsTalkedTo) {
  const Case cases[] = {
      {"left on the bus half way, cycled while waiting", {}, false, false},
      {"unpowered by the cut, plugged in while waiting", {}, true, false},
      {"beside a reader with its program, back as a new node",
       {.newNodeOnRestart = true},
       false,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlashRig rig;
    ReaderModel& reader = rig.hid.addReader(c.setup);
    if (c.unpowered)
      reader.faults().unplugAfterLoaderFrames = 20;
    else
      rig.hidTap.silentAfterSend = 30;  // the host stops hearing it half way
    rig.flash({.length = 300});
    ASSERT_EQ(rig.outcome, Outcome::Failed);
    ASSERT_NE(reader.mode(), ReaderModel::Mode::Program);
    reader.faults().unplugAfterLoaderFrames = -1;
    rig.hidTap.silentAfterSend = 0;
    if (c.neighbour) rig.hid.addReader();

    const std::size_t sentBefore = rig.hidTap.sent.size();
    std::size_t sentWhileOff = 0;
    rig.hidTap.beforeCounts(
        {{2, [&] { reader.unplug(); }}, {4, [&] {
                                           sentWhileOff = rig.hidTap.sent.size() - sentBefore;
                                           reader.replug();
                                         }}});
    rig.status.lines.clear();
    const double start = rig.clock.peek();
    const QByteArray image = makeImage({.length = 600});
    const QString path = rig.dir.filePath("new.bin");
    ASSERT_TRUE(writeFile(path, image));
    const Outcome outcome = Fwrescue(rig.session, rig.image, rig.dialogs, path);

    EXPECT_EQ(outcome, Outcome::Done);
    EXPECT_EQ(sentWhileOff, 0u);
    EXPECT_EQ(reader.storedImage(), image);
    EXPECT_LT(rig.clock.peek() - start, 10);
    EXPECT_EQ(rig.status.lines.value(0),
              "Switch the reader off and on again; waiting for its loader ...");
    EXPECT_EQ(rig.lastLine(), "TQ-4700 firmware update finished !");
    if (c.neighbour) {
      EXPECT_TRUE(rig.hid.sentReports(1).empty());
    }
    EXPECT_EQ(rig.session.usb.hidDevice, 0u);
  }
}

}  // namespace
}  // namespace mv4700::testing
