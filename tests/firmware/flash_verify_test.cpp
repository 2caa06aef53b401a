// After an update the reader is asked what it now holds.
#include "firmware/flash_verify.h"

#include "tests/firmware/flash_fixture.h"

namespace mv4700::testing {
namespace {

struct Case {
  const char* name;
  bool usb;
  std::function<void(ReaderModel&)> arrange;  // before the update
  std::function<void(ReaderModel&)> after;    // between the update and the check
  FlashVerdict::Kind kind;
  QString reported;
  bool neighbourWithImage = false;  // plugged in beside it after the update
};

TEST(FlashVerifyTest, TheReaderSaysWhetherItHoldsTheImage) {
  const auto none = [](ReaderModel&) {};
  const Case cases[] = {
      {"serial, flashed", false, none, none, FlashVerdict::Kind::Verified, "V2.07 2026"},
      {"usb, flashed", true, none, none, FlashVerdict::Kind::Verified, "V2.07 2026"},
      // A reader that says something else than the image holds.
      {"serial, another version", false, none,
       [](ReaderModel& m) { m.setVersionText("V1.00 OLD"); }, FlashVerdict::Kind::Mismatch,
       "V1.00 OLD"},
      // Gone during its last frames: the update fails, and nothing answers after.
      {"serial, never back", false,
       [](ReaderModel& m) { m.faults().unplugAfterLoaderFrames = 150; }, none,
       FlashVerdict::Kind::NotBack, ""},
      // A loader that acknowledges every step and stores nothing: only the
      // check after the update can tell.
      {"serial, the loader forgot", false, [](ReaderModel& m) { m.faults().forgetImage = true; },
       none, FlashVerdict::Kind::NotBack, ""},
      {"usb, the loader forgot", true, [](ReaderModel& m) { m.faults().forgetImage = true; }, none,
       FlashVerdict::Kind::NotBack, ""},
      // The USB loader takes the image but stores nothing: no program to answer.
      {"usb, nothing stored", true,
       [](ReaderModel& m) {
         m.faults().loaderAnswer = {{ReaderModel::LoaderStep::Length, 0x33}};
       },
       none, FlashVerdict::Kind::NotBack, ""},
      // The check asks the flashed reader, never the one beside it.
      {"usb, gone after the update, a neighbour holds the image", true, none,
       [](ReaderModel& m) { m.unplug(); }, FlashVerdict::Kind::NotBack, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlashRig rig;
    ReaderModel& reader =
        c.usb ? rig.hid.addReader() : rig.serial.attachReader(2, ReaderModel::Kind::New, 19200);
    c.arrange(reader);
    rig.flash({.length = 300});
    c.after(reader);
    if (c.neighbourWithImage) rig.hid.addReader().setVersionText(rig.image.fwText.toLatin1());
    const double start = rig.clock.peek();
    const FlashVerdict verdict = awaitFlashedVersion(rig.session, rig.image.fwText, 20);
    EXPECT_EQ(verdict.kind, c.kind);
    EXPECT_EQ(verdict.reported, c.reported);
    EXPECT_LT(rig.clock.peek() - start, 20 + 2);
    EXPECT_FALSE(rig.serial.portOpen());
    EXPECT_EQ(rig.session.usb.hidDevice, 0u);
  }
}

}  // namespace
}  // namespace mv4700::testing
