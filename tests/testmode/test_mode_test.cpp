#include "testmode/test_mode.h"

#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "testmode/test_window.h"
#include "tests/support/forwarding_links.h"
#include "tests/support/plain_fields.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/test_clock.h"

#include <gtest/gtest.h>

namespace mv4700::testing {
namespace {

struct RecordingWindow final : TestWindow {
  void setTestingLabelVisible(bool v) override { labelVisible = v; }
  void setFileAndProgMenusEnabled(bool e) override { menusEnabled = e; }
  bool labelVisible = false;
  bool menusEnabled = true;
};

class TestModeTest : public ::testing::Test {
 protected:
  TestClock clock;
  SimHidLibrary hid{clock};
  SimSerialService serial{clock};
  RecordingStatusBox box;
  PlainFields fields;
  RecordingWindow window;
  DeviceSession session{hid, serial, box, clock};
  TestMode mode{session, fields, window};

  void deliverSerial() {
    clock.advance(0.1);
    serial.pump();
  }
};

constexpr const char* kTestLine = "*** Testing 4700, please put ibutton on 4700 for read ID ***";

TEST_F(TestModeTest, UsbTestShowsWhatTheReaderTypesAndLocksTheWindow) {
  ReaderModel& reader = hid.addReader();
  reader.settings().setText(ReaderSettings::kPrefixLength, "<");
  reader.settings().setText(ReaderSettings::kPostfixLength, ">");
  mode.startTest();
  EXPECT_EQ(session.linkState(), "USB");
  EXPECT_TRUE(box.lines.contains(kTestLine));
  EXPECT_TRUE(window.labelVisible);
  EXPECT_FALSE(window.menusEnabled);
  for (Field f : kAllFields) EXPECT_FALSE(fields.enabled(f)) << int(f);

  const QString typed = hid.touch(0);
  ASSERT_FALSE(typed.isEmpty());
  mode.keyTyped(typed);
  EXPECT_TRUE(box.shown().join("").contains("<2C00000A1B3D4E01>"));

  mode.endTest();
  EXPECT_EQ(box.lines, QStringList{"* Test Mode end *"});
  EXPECT_EQ(session.linkState(), "END");
  EXPECT_FALSE(window.labelVisible);
  EXPECT_TRUE(window.menusEnabled);
  for (Field f : kAllFields) EXPECT_TRUE(fields.enabled(f)) << int(f);
  mode.keyTyped("x");
  EXPECT_TRUE(box.openLine.isEmpty());
}

TEST_F(TestModeTest, SerialTestPrintsReceivedBytesUntilEndTestClosesThePort) {
  ReaderModel& reader = serial.attachReader(6, ReaderModel::Kind::New);
  mode.startTest();
  EXPECT_EQ(session.linkState(), "TEST232");
  EXPECT_TRUE(serial.portOpen());
  reader.touch();
  deliverSerial();
  EXPECT_TRUE(box.shown().join("").contains("2C00000A1B3D4E01"))
      << box.shown().join("|").toStdString();

  mode.endTest();
  EXPECT_FALSE(serial.portOpen());
  reader.touch();
  deliverSerial();
  EXPECT_EQ(box.shown(), QStringList{"* Test Mode end *"});
}

TEST_F(TestModeTest, PrintPositionThresholdsBreakAndClear) {
  hid.addReader();
  mode.startTest();
  box.clear();
  // 120 twips a character: the 62nd ends past 7352, so the 63rd starts a line.
  mode.keyTyped(QString(63, 'a'));
  ASSERT_EQ(box.lines.size(), 1);
  EXPECT_EQ(box.lines[0].size(), 62);
  EXPECT_EQ(box.openLine, "a");
  // Eleven lines down (2640 twips) is past 2400: the box is cleared first.
  box.clear();
  for (int i = 0; i < 11; ++i) box.printLine("x");
  mode.keyTyped("b");
  EXPECT_EQ(box.shown(), QStringList{"b"});

  // On the serial path the output goes on at the second line after a clear.
  session.linkState() = "TEST232";
  ReaderModel& reader = serial.attachReader(1, ReaderModel::Kind::New);
  session.serial.Comsearch();
  box.clear();
  for (int i = 0; i < 11; ++i) box.printLine("x");  // 2640: past 2500
  session.linkState() = "TEST232";
  reader.touch();
  deliverSerial();
  ASSERT_GE(box.lines.size(), 1);
  EXPECT_EQ(box.lines[0], "");
}

TEST_F(TestModeTest, CheckBoxesComeBackAsTheTestFoundThem) {
  hid.addReader();
  fields.setEnabled(Field::Check2, false);  // as after reading an old reader
  mode.startTest();
  EXPECT_FALSE(fields.visible(Field::Check2));
  EXPECT_TRUE(fields.visible(Field::Check3));
  EXPECT_FALSE(fields.enabled(Field::Check3));
  mode.startTest();  // a second start must not take Check3 for disabled-before
  mode.endTest();
  EXPECT_TRUE(fields.visible(Field::Check2));
  EXPECT_FALSE(fields.enabled(Field::Check2));
  EXPECT_TRUE(fields.enabled(Field::Check3));
  EXPECT_TRUE(fields.visible(Field::Check3));
}

TEST_F(TestModeTest, NoReaderLeavesTheWindowUnlocked) {
  mode.startTest();
  EXPECT_TRUE(box.lines.contains("Can not find 4700 at com 1~16 with all baud rate!"));
  EXPECT_FALSE(window.labelVisible);
  EXPECT_TRUE(window.menusEnabled);
  for (Field f : kAllFields) EXPECT_TRUE(fields.enabled(f));
}

// The emulated port, with the notifications a real port gives: what test
// mode hands it, a device that goes away, and a byte that comes in after the
// port was asked how many were waiting.
struct NotifyingSerial final : ForwardingSerial {
  using ForwardingSerial::ForwardingSerial;
  void setReceiveHandler(std::function<void()> h) override {
    receive = h;
    ForwardingSerial::setReceiveHandler(std::move(h));
  }
  void setLineLostHandler(std::function<void()> h) override { lost = std::move(h); }
  QByteArray input() override { return ForwardingSerial::input() + std::exchange(lateBytes, {}); }
  void loseLine() {
    setPortOpen(false);
    if (lost) lost();
  }
  std::function<void()> receive;
  std::function<void()> lost;
  QByteArray lateBytes;
};

// Counts the calls that reach the HID library.
struct CountingHid final : ForwardingHid {
  using ForwardingHid::ForwardingHid;
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& got) override {
    ++calls;
    return ForwardingHid::GetInputReport_Interrupt(d, b, size, reports, got);
  }
  std::uint32_t GetNumHidDevices(std::uint16_t v, std::uint16_t p) override {
    ++calls;
    return ForwardingHid::GetNumHidDevices(v, p);
  }
  int calls = 0;
};

class TestModeNotices : public ::testing::Test {
 protected:
  TestClock clock;
  SimHidLibrary simHid{clock};
  CountingHid hid{simHid};
  SimSerialService simSerial{clock};
  NotifyingSerial serial{simSerial};
  RecordingStatusBox box;
  PlainFields fields;
  RecordingWindow window;
  DeviceSession session{hid, serial, box, clock};
};

TEST_F(TestModeNotices, ALostSerialLineEndsTheTestWithOneLine) {
  TestMode mode(session, fields, window);
  ReaderModel& reader = simSerial.attachReader(4, ReaderModel::Kind::New);
  mode.startTest();
  ASSERT_EQ(session.linkState(), "TEST232");
  reader.touch();
  clock.advance(0.1);
  simSerial.pump();
  ASSERT_FALSE(box.openLine.isEmpty());

  serial.loseLine();
  const QString lost = "TQ-4700 RS232 line lost at com: 4, port closed. * Test Mode end *";
  EXPECT_EQ(box.lines.last(), lost);
  EXPECT_EQ(box.lines.count(lost), 1);
  EXPECT_TRUE(box.openLine.isEmpty());
  EXPECT_EQ(session.linkState(), "END");
  EXPECT_FALSE(serial.portOpen());
  EXPECT_FALSE(window.labelVisible);
  EXPECT_TRUE(window.menusEnabled);
  for (Field f : kAllFields) EXPECT_TRUE(fields.enabled(f)) << int(f);

  // Outside a serial test a lost line is none of test mode's business.
  const QStringList before = box.transcript;
  serial.loseLine();
  EXPECT_EQ(box.transcript, before);
}

TEST_F(TestModeNotices, EveryByteTakenIsShown) {
  TestMode mode(session, fields, window);
  ReaderModel& reader = simSerial.attachReader(1, ReaderModel::Kind::New);
  mode.startTest();
  box.clear();
  reader.touch();
  clock.advance(0.1);
  serial.lateBytes = "!";  // arrives between counting and taking
  simSerial.pump();
  EXPECT_TRUE(box.openLine.endsWith("!")) << box.openLine.toStdString();
  EXPECT_TRUE(box.openLine.startsWith(QString::fromLatin1(reader.touchText())))
      << box.openLine.toStdString();
}

TEST_F(TestModeNotices, TheNotificationsGoWithTestMode) {
  {
    TestMode mode(session, fields, window);
    EXPECT_TRUE(serial.receive);
    EXPECT_TRUE(serial.lost);
  }
  EXPECT_FALSE(serial.receive);
  EXPECT_FALSE(serial.lost);
  // A notification after test mode went reaches nothing.
  ReaderModel& reader = simSerial.attachReader(1, ReaderModel::Kind::New);
  session.serial.Comsearch();
  session.linkState() = "TEST232";
  reader.touch();
  clock.advance(0.1);
  simSerial.pump();
  serial.loseLine();
}

TEST_F(TestModeNotices, AUsbTestLeavesTheDeviceAlone) {
  TestMode mode(session, fields, window);
  simHid.addReader();
  mode.startTest();
  ASSERT_EQ(session.linkState(), "USB");
  EXPECT_EQ(session.usb.hidDevice, 0u);
  // The reader types as a keyboard; nothing reads or watches the device, so
  // pulling it out leaves nothing that could fail or spin.
  const int calls = hid.calls;
  simHid.reader(0).unplug();
  mode.keyTyped("x");
  EXPECT_EQ(hid.calls, calls);
  EXPECT_EQ(box.openLine, "x");
}

}  // namespace
}  // namespace mv4700::testing
