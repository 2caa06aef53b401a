#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/usb_port_chain.h"
#include "tests/support/qt_printers.h"

namespace mv4700 {
namespace {

// A sysfs tree as the kernel lays it out: /sys/class/hidraw/NODE/device
// links into the device's place on the bus.
TEST(UsbPortChain, IsTheDeepestBusPortDirectoryAboveTheNode) {
  QTemporaryDir sys;
  ASSERT_TRUE(sys.isValid());
  struct Case {
    const char* node;
    const char* device;  // under devices/, empty: no link
    const char* chain;
  } cases[] = {
      {"hidraw3", "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:10C4:84B7.0003", "1-2"},
      {"hidraw4", "pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4.2/3-1.4.2:1.0/0003:10C4:84B7.0004",
       "3-1.4.2"},
      {"hidraw5", "virtual/misc/uhid/0003:10C4:84B7.0005", ""},
      {"hidraw6", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    const QString nodeDir = sys.filePath(QStringLiteral("class/hidraw/") + c.node);
    ASSERT_TRUE(QDir().mkpath(nodeDir));
    if (*c.device) {
      const QString device = sys.filePath(QStringLiteral("devices/") + c.device);
      ASSERT_TRUE(QDir().mkpath(device));
      ASSERT_TRUE(QFile::link(device, nodeDir + "/device"));
    }
    EXPECT_EQ(usbPortChain(QStringLiteral("/dev/") + c.node, sys.path()), c.chain);
  }
  EXPECT_EQ(usbPortChain(QString(), sys.path()), "");
}

}  // namespace
}  // namespace mv4700
