// The in-process serial ports: slots, line speed, delay and the receive handler.
#include <gtest/gtest.h>

#include "link/serial_failures.h"
#include "sim/sim_serial.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

QByteArray hex(const char* text) {
  return QByteArray::fromHex(text);
}

struct SimSerialTest : ::testing::Test {
  testing::TestClock clock;
  SimSerialService serial{clock};

  void openAt(int port, const char* settings) {
    serial.setCommPort(port);
    serial.setSettings(settings);
    serial.setPortOpen(true);
  }
  // Polls like the tool's waits do, for up to `seconds` on the clock.
  QByteArray waitFor(int n, double seconds = 0.2) {
    const double end = clock.seconds() + seconds;
    while (clock.seconds() < end)
      if (serial.inBufferCount() >= n) break;
    return serial.input();
  }
};

TEST_F(SimSerialTest, OpenFailsOnEmptyOrBusySlots) {
  serial.attachReader(3, ReaderModel::Kind::Old);
  serial.setPortBusy(5);
  struct Case {
    int port;
    int error;
  };
  for (const Case c :
       {Case{1, serial_failure::kDeviceNotFound}, Case{5, serial_failure::kPermission},
        Case{17, serial_failure::kDeviceNotFound}, Case{3, 0}}) {
    serial.clearError();
    openAt(c.port, "9600,n,8,1");
    EXPECT_EQ(serial.lastError(), c.error) << c.port;
    EXPECT_EQ(serial.portOpen(), c.error == 0) << c.port;
  }
  serial.setPortOpen(false);
  serial.output(hex("1B00"));
  EXPECT_EQ(serial.lastError(), serial_failure::kNotOpen);
}

TEST_F(SimSerialTest, ReaderAnswersOnlyAtItsOwnSpeedAfterTheDelay) {
  serial.attachReader(2, ReaderModel::Kind::New, 57600);
  serial.setReplyDelay(0.01);
  for (const char* settings : {"9600,n,8,1", "19200,n,8,1", "115200,n,8,1", "57600,e,8,1"}) {
    openAt(2, settings);
    serial.output(hex("1B00"));
    EXPECT_TRUE(waitFor(10).isEmpty()) << settings;
    serial.setPortOpen(false);
  }
  openAt(2, "57600,n,8,1");
  serial.output(hex("1B00"));
  EXPECT_EQ(serial.inBufferCount(), 0);  // not before the delay
  EXPECT_EQ(waitFor(10).mid(3, 4), "4700");
  EXPECT_EQ(serial.sentBytes(2), hex("1B001B001B001B001B00"));
}

TEST_F(SimSerialTest, BytesInFlightAreLostWhenThePortChangesSpeed) {
  serial.attachReader(1, ReaderModel::Kind::New, 9600);
  openAt(1, "9600,n,8,1");
  serial.output(hex("1B00"));
  serial.setSettings("57600,n,8,1");
  EXPECT_TRUE(waitFor(10).isEmpty());
}

TEST_F(SimSerialTest, AReplyComesInByteByByteOnceTheCommandIsIn) {
  serial.attachReader(1, ReaderModel::Kind::New, 9600);
  openAt(1, "9600,n,8,1");
  const double sent = clock.peek();
  serial.output(hex("1B1C00101F"));  // 5 bytes in, then 36 out, 1.04 ms each
  double first = 0;
  int count = 0;
  while (count < 36 && clock.peek() - sent < 0.2) {
    const int now = serial.inBufferCount();
    ASSERT_LE(now - count, 1) << "more than one byte came in at once";
    if (now == 1 && count == 0) first = clock.peek();
    count = now;
  }
  const double last = clock.peek();
  EXPECT_EQ(count, 36);
  EXPECT_NEAR(first - sent, 6 * 10.0 / 9600, 0.0005);
  EXPECT_NEAR(last - sent, 41 * 10.0 / 9600, 0.0005);
}

TEST_F(SimSerialTest, AByteCountsOnlyIfThePortRanAtItsSpeedFromLeavingToArriving) {
  ReaderModel& reader = serial.attachReader(1, ReaderModel::Kind::New, 9600);
  reader.setButtonId(0x0123456789ABCDEFull);
  const double byte = 10.0 / 9600;
  // Too late: the first byte left while the port still ran at 19200.
  openAt(1, "19200,n,8,1");
  reader.touch();
  clock.advance(byte / 2);
  serial.setSettings("9600,n,8,1");
  EXPECT_EQ(waitFor(17, 0.1), QByteArray("123456789ABCDEF\r\n"));
  // Too early: the port left the speed while the last byte was on its way.
  reader.touch();
  clock.advance(17.5 * byte);
  serial.setSettings("19200,n,8,1");
  EXPECT_EQ(waitFor(18, 0.1), QByteArray("0123456789ABCDEF\r"));
}

TEST_F(SimSerialTest, AnAdapterHandsTheBytesOverInPackets) {
  serial.attachReader(1, ReaderModel::Kind::New, 9600);
  serial.setAdapterLatency(0.016);
  openAt(1, "9600,n,8,1");
  const double sent = clock.peek();
  serial.output(hex("1B00"));
  while (serial.inBufferCount() == 0 && clock.peek() - sent < 0.2) {
  }
  // Ten bytes, all at once, a latency after the first came in.
  EXPECT_EQ(serial.inBufferCount(), 10);
  EXPECT_NEAR(clock.peek() - sent, 3 * 10.0 / 9600 + 0.016, 0.0005);
}

TEST_F(SimSerialTest, PumpRaisesTheHandlerOncePerArrival) {
  ReaderModel& reader = serial.attachReader(4, ReaderModel::Kind::New, 19200);
  openAt(4, "19200,n,8,1");
  int calls = 0;
  QByteArray shown;
  serial.setReceiveHandler([&] {
    ++calls;
    shown += serial.input();
  });
  serial.pump();
  EXPECT_EQ(calls, 0);
  reader.touch();
  clock.advance(0.01);
  serial.pump();
  serial.pump();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(shown, reader.touchText());
  // Closed: the reader's output goes nowhere and the handler stays quiet.
  serial.setPortOpen(false);
  reader.touch();
  clock.advance(0.01);
  serial.pump();
  EXPECT_EQ(calls, 1);
}

TEST_F(SimSerialTest, WhatTheReaderSentWhileThePortWasClosedNeverArrives) {
  ReaderModel& reader = serial.attachReader(1, ReaderModel::Kind::New);
  reader.touch();
  openAt(1, "9600,n,8,1");
  clock.advance(0.01);
  EXPECT_EQ(serial.inBufferCount(), 0);
}

TEST_F(SimSerialTest, RefusesSettingsWithoutASpeed) {
  serial.setSettings("fast,n,8,1");
  EXPECT_EQ(serial.lastError(), serial_failure::kUnsupported);
  EXPECT_EQ(serial.settings(), "9600,n,8,1");
}

}  // namespace
}  // namespace mv4700
