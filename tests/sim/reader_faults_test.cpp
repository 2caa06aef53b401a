// The fault switches by name, as mv4700-sim takes them.
#include <gtest/gtest.h>

#include "sim/reader_faults.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

using Step = ReaderModel::LoaderStep;

TEST(ReaderFaults, EachSwitchSetsItsFaultAndOffClearsIt) {
  testing::TestClock clock;
  ReaderModel reader(ReaderModel::Kind::New, clock);
  const ReaderModel::Faults& f = reader.faults();
  const auto set = [&reader](const char* name, const char* value) {
    return switchReaderFault(reader, name, value);
  };
  EXPECT_EQ(set("silent", ""), "");
  EXPECT_EQ(set("noisy", "on"), "");
  EXPECT_EQ(set("wrong-identify", ""), "");
  EXPECT_TRUE(f.silent && f.garble && f.wrongIdentify);
  EXPECT_EQ(set("extra", "00ff"), "");
  EXPECT_EQ(f.extraBytes, QByteArray("\x00\xFF", 2));
  EXPECT_EQ(set("loader-stall", "12"), "");
  EXPECT_EQ(set("loader-unplug", "30"), "");
  EXPECT_EQ(f.silentAfterLoaderFrames, 12);
  EXPECT_EQ(f.unplugAfterLoaderFrames, 30);
  EXPECT_EQ(set("loader-refuse", "7"), "");
  ASSERT_TRUE(f.loaderAnswer);
  EXPECT_EQ(f.loaderAnswer->step, Step::Frame);
  EXPECT_EQ(f.loaderAnswer->frame, 7);
  EXPECT_EQ(f.loaderAnswer->byte, ReaderModel::kRefused);
  EXPECT_EQ(set("loader-answer", "speed:07"), "");
  EXPECT_EQ(f.loaderAnswer->step, Step::SpeedChange);
  EXPECT_EQ(f.loaderAnswer->byte, 0x07);
  EXPECT_EQ(set("boot-seconds", "0.25"), "");
  EXPECT_EQ(reader.rebootSeconds(), 0.25);

  for (const char* name : {"silent", "noisy", "wrong-identify", "extra", "loader-stall",
                           "loader-unplug", "loader-answer"})
    EXPECT_EQ(set(name, "off"), "") << name;
  EXPECT_FALSE(f.silent || f.garble || f.wrongIdentify || f.loaderAnswer);
  EXPECT_TRUE(f.extraBytes.isEmpty());
  EXPECT_EQ(f.silentAfterLoaderFrames, -1);
  EXPECT_EQ(f.unplugAfterLoaderFrames, -1);
}

TEST(ReaderFaults, RefusesWhatItCannotReadAndChangesNothing) {
  testing::TestClock clock;
  ReaderModel reader(ReaderModel::Kind::New, clock);
  const struct {
    const char* name;
    const char* value;
  } refused[] = {
      {"silent", "yes"},          {"extra", "xyz"},           {"extra", ""},
      {"loader-stall", "-1"},     {"loader-refuse", "1:1FF"}, {"loader-answer", "frame:07"},
      {"loader-answer", "ready"}, {"boot-seconds", "soon"},   {"unknown", ""}};
  for (const auto& r : refused)
    EXPECT_NE(switchReaderFault(reader, r.name, r.value), "") << r.name << " " << r.value;
  const ReaderModel::Faults& f = reader.faults();
  EXPECT_FALSE(f.silent || f.loaderAnswer);
  EXPECT_TRUE(f.extraBytes.isEmpty());
  EXPECT_EQ(f.silentAfterLoaderFrames, -1);
  EXPECT_EQ(reader.rebootSeconds(), 2.0);
}

}  // namespace
}  // namespace mv4700
