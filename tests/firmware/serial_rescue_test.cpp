// A reader whose update was cut off is left in its loader with no program;
// the rescue waits for that loader through a power cycle and flashes it.
#include "firmware/flash_verify.h"
#include "firmware/serial_transfer.h"
#include "tests/firmware/flash_fixture.h"

namespace mv4700::testing {
namespace {

struct Case {
  const char* name;
  std::function<void(FlashRig&, ReaderModel&)> powerCycle;
  QString lastLine;
  double atMostSeconds;
};

TEST(SerialRescueTest, ALoaderWithoutProgramIsFlashedAfterAPowerCycle) {
  const QString finished = "4700-01 firmware update Finished!";
  const QString timeout = "Receive device ACK timeout, Flash abort!";
  const Case cases[] = {
      // Switched off and on while the tool waits; the power-up puts a stray
      // byte on the line before the loader's greeting.
      {"power cycled while waiting",
       [](FlashRig& r, ReaderModel& m) {
         m.faults().powerGlitch = true;
         r.serialTap.afterOpen = [&m] { m.replug(); };
       },
       finished, 3},
      // It greeted once, before anyone listened: nothing more comes.
      {"greeted before the port was open", [](FlashRig&, ReaderModel& m) { m.replug(); },
       "Switch the reader off and on again; waiting for its loader ..." + timeout, 61},
      // A loader that greets until it hears the host is found all the same.
      {"greeting until answered",
       [](FlashRig&, ReaderModel& m) {
         m.faults().repeatGreeting = true;
         m.replug();
       },
       finished, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlashRig rig;
    ReaderModel& reader = rig.serial.attachReader(1, ReaderModel::Kind::New, 19200);
    reader.faults().unplugAfterLoaderFrames = 100;
    const QByteArray file = rig.flash({.length = 300});
    ASSERT_EQ(rig.outcome, Outcome::Failed);
    ASSERT_EQ(reader.mode(), ReaderModel::Mode::Unplugged);
    reader.faults().unplugAfterLoaderFrames = -1;

    c.powerCycle(rig, reader);
    rig.status.lines.clear();
    const double start = rig.clock.peek();
    const Outcome outcome = serialFirmwareRescue(rig.session, rig.image);
    EXPECT_LT(rig.clock.peek() - start, c.atMostSeconds);
    EXPECT_EQ(rig.lastLine(), c.lastLine);
    EXPECT_FALSE(rig.serial.portOpen());
    EXPECT_EQ(outcome == Outcome::Done, c.lastLine == finished);
    if (outcome != Outcome::Done) continue;
    EXPECT_EQ(reader.storedImage(), file);
    EXPECT_EQ(awaitFlashedVersion(rig.session, rig.image.fwText, 20).kind,
              FlashVerdict::Kind::Verified);
  }
}

}  // namespace
}  // namespace mv4700::testing
