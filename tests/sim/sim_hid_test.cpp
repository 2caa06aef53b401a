// The in-process HID library: device list, opens, report sizes, reads, and the
// reader leaving the bus for its loader.
#include <gtest/gtest.h>

#include "firmware/erase_command.h"
#include "sim/sim_hid.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

constexpr std::uint16_t kVid = kReaderVendorId;
constexpr std::uint16_t kPid = kReaderProductId;

HidReport report(std::initializer_list<std::uint8_t> bytes) {
  HidReport r{};
  std::copy(bytes.begin(), bytes.end(), r.begin() + 1);
  return r;
}

struct SimHidTest : ::testing::Test {
  testing::TestClock clock;
  SimHidLibrary hid{clock};

  HidHandle open(std::uint32_t index = 0) {
    hid.GetNumHidDevices(kVid, kPid);  // an index names a device of the last count
    HidHandle h = 0;
    EXPECT_EQ(hid.Open(h, index, kVid, kPid, 0), 0);
    return h;
  }
  std::uint8_t send(HidHandle h, const HidReport& r) {
    return hid.SetOutputReport_Interrupt(h, r.data(), kReportLength);
  }
  std::vector<std::uint8_t> read(HidHandle h, std::uint32_t n, std::uint8_t* status = nullptr) {
    std::vector<std::uint8_t> buffer(81, 0xEE);
    std::uint32_t returned = 99;
    const std::uint8_t s = hid.GetInputReport_Interrupt(h, buffer.data(), n * 9, n, returned);
    if (status) *status = s;
    buffer.resize(returned);
    return buffer;
  }
};

TEST_F(SimHidTest, CountsAndOpensOnlyUsableMatchingDevices) {
  hid.addReader({.openFails = true});
  hid.addReader({.productId = 0x1234});
  hid.addReader();
  EXPECT_EQ(hid.GetNumHidDevices(kVid, kPid), 2u);
  EXPECT_EQ(hid.GetNumHidDevices(kVid, 0x1234), 1u);
  HidHandle h = 77;
  EXPECT_NE(hid.Open(h, 0, kVid, kPid, 0), 0);
  EXPECT_EQ(h, 0u);
  EXPECT_NE(hid.Open(h, 2, kVid, kPid, 0), 0);
  h = open(1);
  EXPECT_NE(h, 0u);
  EXPECT_EQ(hid.GetHandle(h), h);
  EXPECT_EQ(hid.Close(h), 0);
  EXPECT_NE(hid.Close(h), 0);
  EXPECT_NE(send(h, report({0x1B, 0x00})), 0);
}

TEST_F(SimHidTest, ReportsItsReportLengthsAndRefusesOtherSizes) {
  hid.addReader({.inputReportLength = 8, .outputReportLength = 64});
  const HidHandle h = open();
  EXPECT_EQ(hid.GetInputReportBufferLength(h), 8);
  EXPECT_EQ(hid.GetOutputReportBufferLength(h), 64);
  EXPECT_EQ(send(h, report({0x1B, 0x00})), hid_status::kFailed);
  EXPECT_TRUE(hid.sentReports(0).empty());
}

TEST_F(SimHidTest, ReadReturnsWhatCameWithinItsSecondAndSaysWhenItWasShort) {
  hid.addReader();
  const HidHandle h = open();
  ASSERT_EQ(send(h, report({0x1B, 0x00})), 0);
  std::uint8_t status = 0xFF;
  double start = clock.peek();
  const std::vector<std::uint8_t> got = read(h, 9, &status);
  EXPECT_EQ(got.size(), 18u);
  EXPECT_EQ(status, hid_status::kShortRead);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(got.data()) + 4, 5), "4700I");
  // A short read waited out the library's time-out, as the driver does.
  EXPECT_NEAR(clock.peek() - start, 1.0, 0.001);
  start = clock.peek();
  EXPECT_TRUE(read(h, 1, &status).empty());
  EXPECT_NE(status, 0);
  EXPECT_NEAR(clock.peek() - start, 1.0, 0.001);
  // Exactly what was asked for: success, at once.
  send(h, report({0x1B, 0x1C, 0x00, 0x10, 0x1F}));
  start = clock.peek();
  EXPECT_EQ(read(h, 5, &status).size(), 45u);
  EXPECT_EQ(status, 0);
  EXPECT_LT(clock.peek() - start, 0.001);
}

TEST_F(SimHidTest, HandsOverTheChosenReportId) {
  hid.addReader({.inputReportId = 2});
  const HidHandle h = open();
  send(h, report({0x1B, 0x01}));
  const std::vector<std::uint8_t> got = read(h, 9);
  ASSERT_GE(got.size(), 18u);
  EXPECT_EQ(got[0], 2);
  EXPECT_EQ(got[9], 2);
  EXPECT_EQ(got[1], 0x1B);
}

TEST_F(SimHidTest, RefusesTheChosenOutputReportAndKeepsTheOthers) {
  hid.addReader({.refuseOutputReport = 3});
  const HidHandle h = open();
  std::vector<std::uint8_t> statuses;
  for (int i = 0; i < 5; ++i) statuses.push_back(send(h, report({0x00})));
  EXPECT_EQ(statuses, (std::vector<std::uint8_t>{0, 0, hid_status::kFailed, 0, 0}));
  EXPECT_EQ(hid.sentReports(0).size(), 4u);
}

TEST_F(SimHidTest, ReportsLeftFromAnEarlierOpenAreGone) {
  hid.addReader();
  HidHandle h = open();
  send(h, report({0x1B, 0x00}));
  hid.Close(h);
  h = open();
  EXPECT_TRUE(read(h, 1).empty());
}

TEST_F(SimHidTest, HardwareSwitchesKeepLateRepliesDelayThemAndRenameTheLoader) {
  hid.addReader({.keepQueuedReports = true, .replyLatency = 0.3, .newNodeOnRestart = true});
  hid.addReader();  // a neighbour on port 1-2
  const QString path = hid.path(0);
  HidHandle h = open();
  EXPECT_EQ(hid.deviceLocation(h), "1-1");
  send(h, report({0x1B, 0x00}));
  std::uint8_t status = 0;
  const double sent = clock.peek();
  EXPECT_EQ(read(h, 2, &status).size(), 18u);
  EXPECT_GE(clock.peek() - sent, 0.3);  // not before its latency
  send(h, report({0x1B, 0x01}));
  hid.Close(h);
  // The late reply is still there for the next holder of the device.
  h = open();
  const std::vector<std::uint8_t> late = read(h, 1, &status);
  ASSERT_EQ(late.size(), 9u);
  EXPECT_EQ(late[2], 0x01);

  const auto& e = kEraseCommand;
  send(h, report({e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7]}));
  send(h, report({e[8], e[9], e[10], e[11], e[12]}));
  clock.advance(hid.reader(0).rebootSeconds());
  // The loader is a new node, listed after the neighbour, on the same port chain.
  EXPECT_NE(hid.path(0), path);
  ASSERT_EQ(hid.GetNumHidDevices(kVid, kPid), 2u);
  EXPECT_EQ(hid.locationAt(0), "1-2");
  EXPECT_EQ(hid.locationAt(1), "1-1");
  EXPECT_EQ(read(h, 1, &status).size(), 0u);
  EXPECT_EQ(status, hid_status::kReadError);

  // A filter on the old path follows the reader to its new node.
  SimHidLibrary pinned{clock};
  pinned.addReader({.newNodeOnRestart = true});
  pinned.addReader();
  pinned.setOnlyPath(pinned.path(0));
  EXPECT_EQ(pinned.GetNumHidDevices(kVid, kPid), 1u);
  pinned.reader(0).unplug();
  pinned.reader(0).replug();
  EXPECT_EQ(pinned.GetNumHidDevices(kVid, kPid), 1u);
  EXPECT_EQ(pinned.locationAt(0), "1-1");
}

TEST_F(SimHidTest, EraseTakesTheReaderOffTheBusUntilItsLoaderIsUp) {
  ReaderModel& reader = hid.addReader();
  reader.setRebootSeconds(2.0);
  const HidHandle h = open();
  const auto& e = kEraseCommand;
  send(h, report({e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7]}));
  EXPECT_EQ(send(h, report({e[8], e[9], e[10], e[11], e[12]})), 0);
  EXPECT_EQ(hid.GetNumHidDevices(kVid, kPid), 0u);
  HidHandle again = 0;
  EXPECT_NE(hid.Open(again, 0, kVid, kPid, 0), 0);
  EXPECT_EQ(send(h, report({0x1B, 0x00})), hid_status::kFailed);

  clock.advance(2.0);
  EXPECT_EQ(hid.GetNumHidDevices(kVid, kPid), 1u);
  // The old handle stays stale; a new open talks to the loader.
  EXPECT_EQ(send(h, report({0x1B, 0x00})), hid_status::kFailed);
  hid.Close(h);
  again = open();
  send(again, report({0x1B, 0x00}));
  EXPECT_EQ(read(again, 2).size(), 18u);
  send(again, report({0x1B, 0xA8}));
  const std::vector<std::uint8_t> answer = read(again, 1);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(answer.data()), answer.size()),
            QByteArray("\x00\x1B\xA8JP-USB", 9));
}

TEST_F(SimHidTest, TypesTheButtonOnlyWhileItsProgramRuns) {
  ReaderModel& reader = hid.addReader();
  reader.settings().setText(ReaderSettings::kOnRemoveLength, "R");
  EXPECT_EQ(hid.touch(0), QString::fromLatin1(reader.touchText()));
  EXPECT_EQ(hid.remove(0), "R");
  reader.unplug();
  EXPECT_TRUE(hid.touch(0).isEmpty());
}

}  // namespace
}  // namespace mv4700
