// mv4700 --all as a process: every emulated reader on its own
// pseudo-terminal, all served at once.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "sim/sample_image.h"
#include "tests/cli/cli_process.h"
#include "tests/support/bench_helpers.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

QProcessEnvironment onSlots(const QStringList& paths) {
  return cliEnvironment(paths.join(u','), true);
}

// Every line names one reader, at its start, and no other: lines of two
// readers never share a line when the output is no terminal.
void expectWholeLines(const QString& text, const QStringList& paths, const QString& allowed) {
  for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
    int named = 0;
    for (const QString& p : paths) named += line.count(p + u':');
    if (line.startsWith(allowed)) continue;
    EXPECT_EQ(named, 1) << line.toStdString();
    EXPECT_TRUE(line.startsWith(QStringLiteral("RS232 COM"))) << line.toStdString();
  }
}

// Four readers at four speeds, one whose loader hangs: the three others end
// done, the hung one with its own lines, exit 2; then --json version gives one
// object a line per reader and the tally.
TEST(CliAllTest, FlashesEveryReaderAtOnceAndTheFaultedOneFailsAlone) {
  SimulatedReader sim(MV4700_SIM_PATH, {"--readers", "4", "--baud", "9600,19200,57600,115200",
                                        "--boot-seconds", "1.2"});
  ASSERT_EQ(sim.paths().size(), 4);
  sim.command("4 loader-stall 10");
  QTemporaryDir dir;
  const CliResult flash = runCli({"--all", "--yes", "flash", sampleImageFile(dir, 300, "FLEET 3")},
                                 onSlots(sim.paths()));
  EXPECT_EQ(flash.status, 2) << flash.err.toStdString();
  const QStringList out = flash.out.split(u'\n', Qt::SkipEmptyParts);
  // Each flashed reader says what it holds, then its summary; then the tally.
  ASSERT_EQ(out.size(), 8) << flash.out.toStdString();
  EXPECT_EQ(out.filter(QRegularExpression(": Verified: the reader reports FLEET 3$")).size(), 3)
      << flash.out.toStdString();
  for (int k = 0; k < 3; ++k)
    EXPECT_TRUE(out.filter(QRegularExpression(QStringLiteral("^RS232 COM%1 %2: done, [0-9.]+ s$")
                                                  .arg(k + 1)
                                                  .arg(QRegularExpression::escape(sim.paths()[k]))))
                    .size() == 1)
        << flash.out.toStdString();
  EXPECT_TRUE(out.filter(QRegularExpression(QStringLiteral("^RS232 COM4 %1: failed, exit 2, ")
                                                .arg(QRegularExpression::escape(sim.paths()[3]))))
                  .size() == 1)
      << flash.out.toStdString();
  EXPECT_EQ(out.last(), "4 readers: 3 done, 1 failed");
  EXPECT_TRUE(flash.err.contains(
      QStringLiteral("RS232 COM4 %1: Total 300 Bytes. Writing:").arg(sim.paths()[3])))
      << flash.err.toStdString();
  EXPECT_EQ(flash.err.count("firmware update Finished!"), 3);
  // The question once, listing the readers.
  EXPECT_EQ(flash.err.count("Are you sure to start flash ?"), 1);
  EXPECT_TRUE(flash.err.contains("On 4 readers: RS232 COM1"));
  expectWholeLines(flash.err, sim.paths(), QStringLiteral("Firmware Update:"));
  expectWholeLines(flash.out, sim.paths(), QStringLiteral("4 readers:"));

  // The three flashed readers answer with the image's text; the fourth waits
  // in its loader and is not found.
  const CliResult version = runCli({"--all", "--json", "version"}, onSlots(sim.paths()));
  EXPECT_EQ(version.status, 0) << version.err.toStdString();
  const QStringList objects = version.out.split(u'\n', Qt::SkipEmptyParts);
  ASSERT_EQ(objects.size(), 4) << version.out.toStdString();
  for (const QString& line : objects) {
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line.toUtf8(), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_EQ(o["command"].toString(), "version");
    EXPECT_EQ(o["exitStatus"].toInt(-1), 0);
    // Each reader's line has its number; the tally has none.
    EXPECT_EQ(o["reader"].isDouble(), &line != &objects.last()) << line.toStdString();
    if (&line != &objects.last()) {
      EXPECT_EQ(o["version"].toString(), "FLEET 3");
    }
  }
  EXPECT_EQ(QJsonDocument::fromJson(objects.last().toUtf8()).object()["readers"].toInt(), 3);
  expectWholeLines(version.err, sim.paths(), QStringLiteral("\x01"));
}

// Two presses of Ctrl+C during a parallel flash: the first warns, the second
// stops every transfer, each through its closing steps; then the tally.
TEST(CliAllTest, TwoPressesStopEveryTransferThroughItsClosingSteps) {
  SimulatedReader sim(MV4700_SIM_PATH, {"--readers", "3", "--baud", "57600", "--boot-seconds",
                                        "1.2", "--wire-time"});
  ASSERT_EQ(sim.paths().size(), 3);
  QTemporaryDir dir;
  CliProcess cli({"--all", "--yes", "flash", sampleImageFile(dir, 32767, "STOP 1")},
                 onSlots(sim.paths()));
  ASSERT_TRUE(cli.waitFor("Firmware updating via RS232 Please Wait", 3)) << cli.err().toStdString();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  cli.interrupt();
  ASSERT_TRUE(cli.waitFor("Press Ctrl+C again to stop")) << cli.err().toStdString();
  cli.interrupt();
  EXPECT_EQ(cli.finish(), 130) << cli.err().toStdString();
  EXPECT_EQ(cli.err().count("mv4700: firmware update stopped;"), 3) << cli.err().toStdString();
  EXPECT_EQ(cli.out().count(": stopped, exit 130, "), 3) << cli.out().toStdString();
  EXPECT_TRUE(cli.out().endsWith("3 readers: 0 done, 3 failed\n")) << cli.out().toStdString();
  // Every port is free again: each reader's own port opens for another run.
  const CliResult list = runCli({"--all", "list"}, onSlots(sim.paths()));
  EXPECT_NE(list.status, -1);
  EXPECT_FALSE(list.err.contains("Permission")) << list.err.toStdString();
}

// --watch --all: each reader is served once while it stays; one pulled out
// and plugged back in is served again; Ctrl+C ends with the tally.
TEST(CliAllTest, WatchAllServesReadersAsTheyComeAndGo) {
  QTemporaryDir dir;
  const QString link = dir.filePath("port");
  SimulatedReader sim(MV4700_SIM_PATH, {"--readers", "2", "--link", link});
  ASSERT_EQ(sim.paths().size(), 2);
  CliProcess cli({"--watch", "--all", "version"}, onSlots({link + u'1', link + u'2'}));
  ASSERT_TRUE(cli.waitForOut(": done, ", 2)) << cli.err().toStdString();
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_EQ(cli.out().count(": done, "), 2) << "a reader still there was served again";
  sim.command("2 hangup");
  std::this_thread::sleep_for(std::chrono::milliseconds(2600));
  sim.command("2 replug");
  ASSERT_TRUE(cli.waitForOut(": done, ", 3)) << cli.err().toStdString();
  EXPECT_EQ(cli.out().count(QRegularExpression("^RS232 COM2 \\S+: done, ",
                                               QRegularExpression::MultilineOption)),
            2)
      << cli.out().toStdString();
  cli.interrupt();
  EXPECT_EQ(cli.finish(), 0) << cli.err().toStdString();
  EXPECT_TRUE(cli.out().endsWith("3 readers: 3 done, 0 failed\n")) << cli.out().toStdString();
}

// Usage and an empty bench, each on one line.
TEST(CliAllTest, UsageErrorsAndNoReader) {
  struct Case {
    QStringList arguments;
    int status;
  };
  const Case cases[] = {
      {{"--all", "--usb", "/dev/hidraw0", "version"}, 64},
      {{"--all", "--serial", "/dev/ttyS0", "version"}, 64},
      {{"--all", "version"}, 1},
      {{"--all", "reset"}, 1},
  };
  for (const Case& c : cases) {
    const CliResult r = runCli(c.arguments, onSlots({"/nonexistent/mv4700-port"}));
    EXPECT_EQ(r.status, c.status) << c.arguments.join(u' ').toStdString();
    if (c.status == 1) {
      EXPECT_EQ(r.errLines(), QStringList{"mv4700: no reader answered."});
      EXPECT_TRUE(r.out.isEmpty());
    }
  }
}

}  // namespace
}  // namespace mv4700::testing
