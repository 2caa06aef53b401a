// mv4700 on a production line: --watch over readers that come and go, and
// Ctrl+C in the middle of a firmware transfer.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "settings/plain_fields.h"
#include "settings/settings_file.h"
#include "sim/sample_image.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/files_on_disk.h"
#include "tests/link/core_application.h"
#include "tests/support/qt_printers.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

const QString kWaiting = QStringLiteral("mv4700: waiting for a reader");
const QString kTakeAway = QStringLiteral("mv4700: take the reader away");

TEST(CliWatch, WritesThreeReadersInTurnAndEndsWithATally) {
  ensureCoreApplication();
  QTemporaryDir dir;
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  PlainFields fields;
  fields.setText(Field::Text1, "L");
  const QString file = dir.filePath("line.mvs");
  ASSERT_TRUE(putSettingsFile(file, fields));

  CliProcess watch({"--serial", reader.path(), "--watch", "write", file});
  for (int n = 1; n <= 3; ++n) {
    ASSERT_TRUE(watch.waitForOut(QStringLiteral("reader %1: ").arg(n)))
        << watch.err().toStdString();
    ASSERT_TRUE(watch.waitFor(kTakeAway, n));
    reader.command("unplug");
    ASSERT_TRUE(watch.waitFor(kWaiting, n + 1)) << watch.err().toStdString();
    reader.command("replug");
  }
  ASSERT_TRUE(watch.waitForOut("reader 3: "));
  ASSERT_TRUE(watch.waitFor(kTakeAway, 3));
  watch.interrupt();
  EXPECT_EQ(watch.finish(), 0);

  // Each write is read back; the summaries and the tally are the other lines.
  QStringList lines = watch.out().split(u'\n', Qt::SkipEmptyParts);
  lines.removeAll(QStringLiteral("verified: every field as written"));
  ASSERT_EQ(lines.size(), 4) << watch.out().toStdString();
  for (int n = 1; n <= 3; ++n) {
    EXPECT_TRUE(lines[n - 1].contains(QRegularExpression(
        QStringLiteral("^reader %1: RS232 COM1 9600 baud, done, [0-9.]+ s$").arg(n))))
        << lines[n - 1].toStdString();
  }
  EXPECT_EQ(lines[3], "3 readers: 3 done, 0 failed");
  EXPECT_EQ(watch.err().count("Programming settings to TQ-4700 RS232 OK!"), 3);
}

TEST(CliWatch, ReadWithWatchNumbersTheFiles) {
  ensureCoreApplication();
  QTemporaryDir dir;
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  CliProcess watch(
      {"--serial", reader.path(), "--watch", "--json", "read", "-o", dir.filePath("bench.mvs")});
  ASSERT_TRUE(watch.waitFor(kTakeAway));
  watch.interrupt();
  EXPECT_EQ(watch.finish(), 0);
  EXPECT_TRUE(QFile::exists(dir.filePath("bench-001.mvs")));
  EXPECT_TRUE(watch.out().startsWith("{")) << watch.out().toStdString();
  EXPECT_TRUE(watch.out().contains("\"file\":\"" + dir.filePath("bench-001.mvs") + "\""));
  EXPECT_TRUE(
      watch.out().endsWith("{\"command\":\"read\",\"declined\":0,\"done\":1,"
                           "\"exitStatus\":0,\"failed\":0,\"readers\":1}\n"))
      << watch.out().toStdString();
}

TEST(CliFlash, FirstCtrlCWarnsTheSecondStops) {
  ensureCoreApplication();
  QTemporaryDir dir;
  // At the real wire time a 20000-byte image takes seconds.
  SimulatedReader reader(MV4700_SIM_PATH, {"--wire-time"});
  ASSERT_FALSE(reader.path().isEmpty());
  const QString image = dir.filePath("fw.bin");
  ASSERT_TRUE(putFile(image, makeSampleImage(20000, "SLOW 1.0")));

  CliProcess flash({"--serial", reader.path(), "--yes", "flash", image});
  ASSERT_TRUE(flash.waitFor("Bytes. Writing:..")) << flash.err().toStdString();
  flash.interrupt();
  ASSERT_TRUE(flash.waitFor("Press Ctrl+C again to stop.")) << flash.err().toStdString();
  flash.interrupt();
  // The rest of the image would take seconds more; the stop is at once.
  QElapsedTimer stopping;
  stopping.start();
  EXPECT_EQ(flash.finish(), 130);
  EXPECT_LT(stopping.elapsed(), 2000);
  EXPECT_TRUE(flash.err().contains("mv4700: firmware update stopped")) << flash.err().toStdString();
  EXPECT_FALSE(flash.err().contains("Finished!"));
}

}  // namespace
}  // namespace mv4700::testing
