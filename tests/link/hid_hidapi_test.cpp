#include "link/hid_hidapi.h"

#include <gtest/gtest.h>

#include "link/usb_link.h"
#include "tests/support/recording_status_box.h"

namespace mv4700 {
namespace {

// This machine has no reader: the real library must end the search with the
// no-device line, not crash or hang.
TEST(HidapiLibrary, SearchWithoutReaderEndsWithTheNoDeviceLine) {
  HidapiLibrary hid;
  if (hid.GetNumHidDevices(kReaderVendorId, kReaderProductId) != 0)
    GTEST_SKIP() << "a reader is connected";
  testing::RecordingStatusBox status;
  LinkShared shared;
  UsbLink usb(hid, status, shared);

  usb.Usbsearch();

  EXPECT_EQ(status.lines, QStringList({"Searching TQ-4700 on USB ports...",
                                       "No TQ-4700 connected on USB port! "}));
  EXPECT_EQ(shared.linkState, link_state::kErr);
  EXPECT_EQ(usb.hidDevice, 0u);
  EXPECT_TRUE(hid.lastOpenDenied().isEmpty());
}

TEST(HidapiLibrary, UnknownHandlesFailWithoutTouchingTheBuffer) {
  HidapiLibrary hid;
  HidHandle device = 77;
  EXPECT_NE(hid.Open(device, 1000, kReaderVendorId, kReaderProductId, 0), 0);
  EXPECT_EQ(device, 0u);

  std::array<std::uint8_t, 18> buffer;
  buffer.fill(0xEE);
  std::uint32_t returned = 123;
  EXPECT_NE(hid.GetInputReport_Interrupt(5, buffer.data(), 18, 2, returned), 0);
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(buffer[0], 0xEE);
  const std::uint8_t report[9]{};
  EXPECT_NE(hid.SetOutputReport_Interrupt(5, report, 9), 0);
  EXPECT_EQ(hid.GetInputReportBufferLength(5), 0);
  EXPECT_EQ(hid.GetOutputReportBufferLength(5), 0);
  EXPECT_NE(hid.Close(5), 0);
}

}  // namespace
}  // namespace mv4700
