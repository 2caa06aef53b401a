#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "app/clock.h"
#include "commands/commands.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "link/serial_qt.h"
#include "sim/sim_hid.h"
#include "tests/firmware/image_files.h"
#include "tests/support/simulated_reader.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700 {
namespace {

// The product serial backend against mv4700-sim on a pseudo-terminal, on the
// real clock: the update as an operator would run it, then the version read.
TEST(SerialPtyFlashTest, FlashedReaderReportsTheNewVersion) {
  static int argc = 1;
  static char name[] = "serial_pty_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);

  testing::SimulatedReader sim(MV4700_SIM_PATH,
                          {"--model", "new", "--baud", "19200", "--version", "OLD 1.0"});
  ASSERT_FALSE(sim.path().isEmpty());
  qputenv("MV4700_COM_PORTS", (",," + sim.path()).toLocal8Bit());  // COM3

  QTemporaryDir dir;
  const QString path = dir.filePath("fw.bin");
  const QByteArray file = testing::makeImage({.length = 3000, .version = QByteArray("NEW 2.0", 8)});
  ASSERT_TRUE(testing::writeFile(path, file));

  SteadyClock clock;
  SimHidLibrary noUsbReader(clock);
  QtSerialService port;
  testing::RecordingStatusBox status;
  testing::ScriptedDialogs dialogs;
  DeviceSession session(noUsbReader, port, status, clock);
  FirmwareImage image;
  Fwupdate(session, image, dialogs, path);

  ASSERT_FALSE(status.lines.isEmpty());
  EXPECT_EQ(status.lines.back(), "4700-01 firmware update Finished!")
      << status.lines.join('\n').toStdString();
  EXPECT_EQ(status.lines.size() >= 2 ? status.lines[status.lines.size() - 2] : QString(),
            "Total 3000 Bytes. Writing:" + QString(60, u'.'));
  EXPECT_FALSE(port.portOpen());

  readVersion(session);
  EXPECT_EQ(session.replyText, "NEW 2.0");
  qunsetenv("MV4700_COM_PORTS");
}

}  // namespace
}  // namespace mv4700
