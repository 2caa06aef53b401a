// mv4700 --usb PATH flash in process, over emulated readers that come back
// from the erase as new devices.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/cli/in_process_run.h"
#include "tests/firmware/image_files.h"
#include "tests/support/qt_printers.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {
namespace {

TEST(UsbPathFlash, FollowsTheNamedReaderToItsNewNodeAndLeavesTheOtherAlone) {
  TestClock clock;
  SimHidLibrary hid{clock};
  SimSerialService serial{clock};
  cli::Devices devices{hid, serial, clock};
  devices.useOnlyUsbPath = [&hid](const QString& path) { hid.setOnlyPath(path); };
  devices.deviceExists = [](const QString&) { return true; };  // emulated nodes
  // The other reader comes first in every enumeration.
  hid.addReader({.newNodeOnRestart = true});
  hid.addReader({.newNodeOnRestart = true}).faults().restartAfterLastBlock = true;
  const QString named = hid.path(1);

  QTemporaryDir dir;
  const QString file = dir.filePath("fw.bin");
  const QByteArray image = makeImage({.length = 600});
  ASSERT_TRUE(writeFile(file, image));
  const CliRun run = runInProcess(devices, {"--usb", named, "--yes", "flash", file});

  EXPECT_EQ(run.status, 0) << run.err.toStdString();
  EXPECT_EQ(hid.reader(1).storedImage(), image);
  EXPECT_NE(hid.path(1), named);
  EXPECT_TRUE(hid.sentReports(0).empty());
  EXPECT_TRUE(run.errLines.contains("TQ-4700 firmware update finished !"));
}

}  // namespace
}  // namespace mv4700::testing
