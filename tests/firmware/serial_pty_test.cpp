#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "commands/commands.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "tests/firmware/image_files.h"
#include "tests/support/emulated_serial_session.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700 {
namespace {

// The product serial backend against mv4700-sim on a pseudo-terminal, on the
// real clock: the update as an operator would run it, then the version read.
TEST(SerialPtyFlashTest, FlashedReaderReportsTheNewVersion) {
  testing::EmulatedSerialSession run({"--model", "new", "--baud", "19200", "--version", "OLD 1.0"},
                                     /*slot=*/3);
  ASSERT_TRUE(run.started());

  QTemporaryDir dir;
  const QString path = dir.filePath("fw.bin");
  const QByteArray file = testing::makeImage({.length = 3000, .version = QByteArray("NEW 2.0", 8)});
  ASSERT_TRUE(testing::writeFile(path, file));

  DeviceSession& session = run.session;
  const testing::RecordingStatusBox& status = run.box;
  testing::ScriptedDialogs dialogs;
  FirmwareImage image;
  Fwupdate(session, image, dialogs, path);

  ASSERT_FALSE(status.lines.isEmpty());
  EXPECT_EQ(status.lines.back(), "4700-01 firmware update Finished!")
      << status.lines.join('\n').toStdString();
  EXPECT_EQ(status.lines.size() >= 2 ? status.lines[status.lines.size() - 2] : QString(),
            "Total 3000 Bytes. Writing:" + QString(60, u'.'));
  EXPECT_FALSE(run.serial.portOpen());

  readVersion(session);
  EXPECT_EQ(session.replyText, "NEW 2.0");
}

}  // namespace
}  // namespace mv4700
