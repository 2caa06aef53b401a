// A front end following a firmware transfer and stopping it.
#include "firmware/transfer_watch.h"

#include "commands/commands.h"
#include "tests/firmware/flash_fixture.h"

namespace mv4700 {
namespace {

using testing::FlashRig;

// Notes the progress; asks to stop once `stopAfter` progress calls came (-1: never).
class StopAfter final : public TransferWatch {
 public:
  explicit StopAfter(int stopAfter) : stopAfter_(stopAfter) {}
  void progress(std::int64_t sent, std::int64_t total) override {
    EXPECT_GE(sent, last);
    last = sent;
    this->total = total;
    ++calls;
  }
  bool stopRequested() override { return stopAfter_ >= 0 && calls >= stopAfter_; }

  std::int64_t last = 0;
  std::int64_t total = 0;
  int calls = 0;

 private:
  int stopAfter_;
};

struct Link {
  const char* name;
  bool usb;
};

class TransferWatchTest : public ::testing::TestWithParam<Link> {
 protected:
  void SetUp() override {
    if (GetParam().usb) {
      rig.hid.addReader();
    } else {
      rig.serial.attachReader(1, ReaderModel::Kind::New);
    }
  }
  ReaderModel& reader() { return GetParam().usb ? rig.hid.reader(0) : *rig.serial.reader(1); }
  bool closed() const {
    return rig.session.usb.hidDevice == 0 && !rig.serial.portOpen() &&
           rig.session.shared.linkState.isEmpty();
  }

  FlashRig rig;
};

TEST_P(TransferWatchTest, ProgressRunsToTheWholeImage) {
  StopAfter watch(-1);
  rig.watch = &watch;
  const QByteArray file = rig.flash({.length = 600});
  EXPECT_EQ(rig.outcome, Outcome::Done);
  EXPECT_EQ(watch.total, 600);
  EXPECT_EQ(watch.last, 600);
  EXPECT_EQ(reader().storedImage(), file);
}

TEST_P(TransferWatchTest, AStopEndsTheTransferWithItsClosingSteps) {
  StopAfter watch(3);
  rig.watch = &watch;
  rig.flash({.length = 600});
  EXPECT_EQ(rig.outcome, Outcome::Failed);
  EXPECT_EQ(watch.calls, 3);
  EXPECT_FALSE(rig.lastLine().contains("inish"));
  EXPECT_TRUE(closed());
  EXPECT_TRUE(reader().storedImage().isEmpty());
}

TEST_P(TransferWatchTest, AStopBeforeTheEraseSendsNoEraseCommand) {
  StopAfter watch(0);
  rig.watch = &watch;
  rig.flash({.length = 600});
  EXPECT_EQ(rig.outcome, Outcome::Failed);
  EXPECT_EQ(watch.calls, 0);
  EXPECT_FALSE(rig.status.lines.join('\n').contains("Erase"));
  EXPECT_TRUE(closed());
  // The reader still runs its program: it tells its version.
  EXPECT_EQ(readVersion(rig.session), Outcome::Done);
}

INSTANTIATE_TEST_SUITE_P(Links, TransferWatchTest,
                         ::testing::Values(Link{"usb", true}, Link{"serial", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mv4700
