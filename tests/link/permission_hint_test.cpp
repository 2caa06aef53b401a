#include <gtest/gtest.h>

#include "link/serial_link.h"
#include "link/usb_link.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

const QString kUsbSearching = "Searching TQ-4700 on USB ports...";
const QString kUsbNoDevice = "No TQ-4700 connected on USB port! ";
const QString kComSearching = "Searching COM 1~16 for 4700... ";
const QString kComNotFound = "Can not find 4700 at com 1~16 with all baud rate!";

class UsbPermissionHint : public ::testing::Test {
 protected:
  testing::TestClock clock;
  SimHidLibrary sim{clock};
  testing::RecordingStatusBox status;
  LinkShared shared;
  UsbLink usb{sim, status, shared};
  SimHidLibrary::DeviceSetup denied{.openDenied = true};
};

TEST_F(UsbPermissionHint, ARefusedReaderGetsOneLineAfterTheSearchOwnLines) {
  sim.addReader(denied);
  usb.Usbsearch();

  ASSERT_EQ(status.lines.size(), 3);
  EXPECT_EQ(status.lines.mid(0, 2), QStringList({kUsbSearching, kUsbNoDevice}));
  const QString hint = status.lines[2];
  EXPECT_TRUE(hint.contains("/dev/hidraw-sim0")) << hint.toStdString();
  // The rule as the package installs it, not a path in the source tree.
  EXPECT_TRUE(hint.contains("/usr/lib/udev/rules.d/60-mv4700.rules")) << hint.toStdString();
  EXPECT_FALSE(hint.contains("dist/")) << hint.toStdString();
  EXPECT_TRUE(hint.contains("replug")) << hint.toStdString();
  EXPECT_EQ(shared.linkState, link_state::kErr);
}

TEST_F(UsbPermissionHint, NoHintWithoutARefusalOrWhenTheSearchSucceedsOrIsSilent) {
  SimHidLibrary::DeviceSetup broken;
  broken.openFails = true;
  sim.addReader(broken);
  usb.Usbsearch();
  EXPECT_EQ(status.lines, QStringList({kUsbSearching, kUsbNoDevice}));

  // A refused interface before an openable reader: the reader is reached.
  testing::TestClock clock2;
  SimHidLibrary sim2{clock2};
  testing::RecordingStatusBox status2;
  LinkShared shared2;
  UsbLink usb2{sim2, status2, shared2};
  sim2.addReader(denied);
  sim2.addReader();
  usb2.Usbsearch();
  EXPECT_EQ(shared2.linkState, link_state::kOk);
  EXPECT_EQ(status2.lines.size(), 3);

  // The test-mode poll searches without a word.
  testing::RecordingStatusBox status3;
  LinkShared shared3;
  SimHidLibrary sim3{clock2};
  UsbLink usb3{sim3, status3, shared3};
  sim3.addReader(denied);
  shared3.linkState = link_state::kLoop;
  usb3.Usbsearch();
  EXPECT_TRUE(status3.lines.isEmpty());
}

class SerialPermissionHint : public ::testing::Test {
 protected:
  testing::TestClock clock;
  SimSerialService sim{clock};
  testing::RecordingStatusBox status;
  LinkShared shared;
  SerialLink serial{sim, status, clock, shared};
};

TEST_F(SerialPermissionHint, ARefusedSlotIsNamedEvenWhenLaterSlotsOpen) {
  sim.setPortDenied(3);
  // Slots after the refused one open (no reader there answers), which must not
  // wipe out what was seen on slot 3.
  sim.attachReader(9, ReaderModel::Kind::New, 9600).faults().silent = true;
  serial.Comsearch();

  ASSERT_EQ(status.lines.size(), 3);
  EXPECT_EQ(status.lines.mid(0, 2), QStringList({kComSearching, kComNotFound}));
  const QString hint = status.lines[2];
  EXPECT_TRUE(hint.contains("/dev/ttyS-sim3")) << hint.toStdString();
  EXPECT_TRUE(hint.contains("/usr/lib/udev/rules.d/60-mv4700.rules")) << hint.toStdString();
  EXPECT_TRUE(hint.contains("dialout")) << hint.toStdString();
  EXPECT_TRUE(hint.contains("replug")) << hint.toStdString();

  // Once access is granted the next search has nothing to say about it.
  sim.setPortDenied(3, false);
  status.lines.clear();
  serial.Comsearch();
  EXPECT_EQ(status.lines, QStringList({kComSearching, kComNotFound}));
}

TEST_F(SerialPermissionHint, NoHintWhenAReaderIsFoundOrASlotIsOnlyBusy) {
  sim.setPortDenied(2);
  sim.attachReader(5, ReaderModel::Kind::New, 9600);
  serial.Comsearch();
  EXPECT_EQ(status.lines.size(), 2);
  EXPECT_EQ(serial.comPort, 5);

  testing::TestClock clock2;
  SimSerialService busy{clock2};
  testing::RecordingStatusBox status2;
  LinkShared shared2;
  SerialLink serial2{busy, status2, clock2, shared2};
  busy.setPortBusy(4);
  serial2.Comsearch();
  EXPECT_EQ(status2.lines, QStringList({kComSearching, kComNotFound}));
}

}  // namespace
}  // namespace mv4700
