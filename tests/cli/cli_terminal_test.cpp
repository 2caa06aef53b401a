// mv4700 on a real pseudo-terminal, and as a script meets it: questions,
// Ctrl+C and the other signals, the progress bar's width, failed output,
// named devices that are not there.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "sim/sample_image.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/files_on_disk.h"
#include "tests/cli/pty_process.h"
#include "tests/link/core_application.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

// The terminal turns each line feed into CR LF.
const QByteArray kAsked = "Reset 4700B: Confirm ?\r\n[y/N] ";
const QByteArray kWarning = "Press Ctrl+C again to stop.";

// The progress redraws: what follows a carriage return that is not the
// terminal's own end of line, up to the next line end or redraw.
QList<QByteArray> progressDraws(const QByteArray& shown) {
  QList<QByteArray> draws;
  for (qsizetype i = shown.indexOf('\r'); i >= 0; i = shown.indexOf('\r', i + 1)) {
    if (i + 1 < shown.size() && shown[i + 1] == '\n') continue;
    qsizetype end = i + 1;
    while (end < shown.size() && shown[end] != '\r' && shown[end] != '\n') ++end;
    draws << shown.mid(i + 1, end - i - 1).replace("\x1b[K", "");
  }
  return draws;
}

class CliOnTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureCoreApplication();
    ASSERT_TRUE(dir.isValid());
  }
  QString image(int length) {
    const QString path = dir.filePath("fw.bin");
    EXPECT_TRUE(putFile(path, makeSampleImage(length, "NEW 9.9")));
    return path;
  }
  QTemporaryDir dir;
};

TEST_F(CliOnTerminal, TheQuestionAnsweredYesNoOrByCtrlC) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  struct Case {
    QByteArray keys;
    int status;
    bool sent;
  } cases[] = {{"y\n", 0, true}, {"n\n", 0, false}, {"\n", 0, false}, {"\x03", 130, false}};
  for (const Case& c : cases) {
    PtyProcess reset({"--serial", reader.path(), "reset"});
    ASSERT_TRUE(reset.started());
    ASSERT_TRUE(reset.waitFor(kAsked)) << reset.shown().toStdString();
    reset.type(c.keys);
    EXPECT_EQ(reset.finish(), c.status) << c.keys.toStdString() << reset.shown().toStdString();
    EXPECT_EQ(reset.shown().contains("Searching"), c.sent) << reset.shown().toStdString();
    EXPECT_EQ(reset.shown().contains("Reset to default"), c.sent);
  }
}

TEST_F(CliOnTerminal, AFlashWarnsAtTheFirstCtrlCInTheLoaderWaitAndFinishes) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  PtyProcess flash({"--serial", reader.path(), "flash", image(3000)}, 80);
  // The question's own lines, then the prompt on a line of its own.
  ASSERT_TRUE(
      flash.waitFor("Firmware Update: The version message of binary file:\r\n"
                    "NEW 9.9\r\n\r\nAre you sure to start flash ?\r\n[y/N] "))
      << flash.shown().toStdString();
  flash.type("y\n");
  // The erase is followed by a wait of a second or more in which nothing
  // else could answer the press.
  ASSERT_TRUE(flash.waitFor("Erase 4700-01 program memory ...")) << flash.shown().toStdString();
  flash.type("\x03");
  EXPECT_TRUE(flash.waitFor(kWarning, 1, 500)) << flash.shown().toStdString();
  EXPECT_FALSE(flash.shown().contains("Waiting for 4700-01 reboot ... Ready!"));

  EXPECT_EQ(flash.finish(), 0) << flash.shown().toStdString();
  EXPECT_TRUE(flash.shown().contains("4700-01 firmware update Finished!"));
  const QList<QByteArray> draws = progressDraws(flash.shown());
  ASSERT_FALSE(draws.isEmpty()) << flash.shown().toStdString();
  for (const QByteArray& draw : draws) {
    EXPECT_LT(draw.size(), 80) << draw.toStdString();
    EXPECT_TRUE(draw.contains("%")) << draw.toStdString();
  }
  EXPECT_TRUE(draws.last().contains("100%"));
}

TEST_F(CliOnTerminal, ADumbTerminalGetsAPlainBar) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  PtyProcess flash({"--serial", reader.path(), "--yes", "flash", image(600)}, 40, "dumb");
  EXPECT_EQ(flash.finish(), 0) << flash.shown().toStdString();
  EXPECT_FALSE(flash.shown().contains('\x1b'));
  const QList<QByteArray> draws = progressDraws(flash.shown());
  ASSERT_FALSE(draws.isEmpty());
  for (const QByteArray& draw : draws) EXPECT_LT(draw.size(), 40) << draw.toStdString();
}

TEST_F(CliOnTerminal, SigtermStopsAFlashAndTestModeAndGivesTheTerminalBack) {
  SimulatedReader reader(MV4700_SIM_PATH, {"--wire-time"});
  ASSERT_FALSE(reader.path().isEmpty());
  {
    PtyProcess flash({"--serial", reader.path(), "--yes", "flash", image(20000)});
    ASSERT_TRUE(flash.waitFor("Bytes. Writing:")) << flash.shown().toStdString();
    flash.signal(SIGTERM);
    EXPECT_EQ(flash.finish(5000), 128 + SIGTERM) << flash.shown().toStdString();
    EXPECT_TRUE(flash.shown().contains("mv4700: firmware update stopped"));
    EXPECT_TRUE(flash.terminalAsBefore());
  }
  {
    // The stopped flash left that reader without a program: another one.
    SimulatedReader other(MV4700_SIM_PATH, {});
    ASSERT_FALSE(other.path().isEmpty());
    PtyProcess test({"--serial", other.path(), "test"});
    ASSERT_TRUE(test.waitFor("please put ibutton on 4700")) << test.shown().toStdString();
    test.signal(SIGTERM);
    EXPECT_EQ(test.finish(5000), 128 + SIGTERM) << test.shown().toStdString();
    EXPECT_TRUE(test.shown().contains("* Test Mode end *"));
    EXPECT_TRUE(test.terminalAsBefore());
  }
}

TEST_F(CliOnTerminal, AQuestionIsNotAskedWhenStandardErrorIsNoTerminal) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  const QString log = dir.filePath("log");
  PtyProcess reset({"--serial", reader.path(), "reset"}, 80, "xterm", log);
  EXPECT_EQ(reset.finish(10000), 64);
  QFile file(log);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray written = file.readAll();
  EXPECT_TRUE(written.contains("standard error is not a terminal; add --yes. Nothing was sent."))
      << written.toStdString();
  EXPECT_FALSE(written.contains("Searching"));
}

TEST(CliAsScript, FailedOutputAndMissingDevices) {
  ensureCoreApplication();
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  for (const QStringList& args :
       {QStringList{"--serial", reader.path(), "version"},
        QStringList{"--serial", reader.path(), "read"}, QStringList{"--version"}}) {
    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(MV4700_CLI_PATH), args);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 3) << args.join(' ').toStdString();
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(err.endsWith("mv4700: cannot write standard output: No space left on device\n"))
        << err.toStdString();
  }

  const CliResult usb = runCli({"--usb", "/dev/ttyUBS0", "version"});
  EXPECT_EQ(usb.status, 1);
  EXPECT_EQ(usb.err, "mv4700: no such device: /dev/ttyUBS0\n");
  const CliResult serial = runCli({"--serial", "/dev/ttyUBS0", "version"});
  EXPECT_EQ(serial.status, 1);
  EXPECT_EQ(serial.errLines(), QStringList({"Searching /dev/ttyUBS0 for 4700 at all speeds... ",
                                            "Can not open /dev/ttyUBS0: no such device 101"}));
  const CliResult list = runCli({"--serial", "/dev/ttyUBS0", "list"});
  EXPECT_EQ(list.status, 1);
  EXPECT_EQ(list.errLines(), QStringList({"Can not open /dev/ttyUBS0: no such device 101",
                                          "mv4700: no reader answered."}));
  {
    // Another program holds the port.
    CliProcess holder({"--serial", reader.path(), "test"});
    ASSERT_TRUE(holder.waitFor("please put ibutton on 4700")) << holder.err().toStdString();
    const CliResult held = runCli({"--serial", reader.path(), "--baud", "9600", "version"});
    EXPECT_EQ(held.status, 1);
    EXPECT_EQ(held.errLines().value(1),
              "Can not open " + reader.path() + ": access refused, or held by another program 102")
        << held.err.toStdString();
  }

  // A comma is part of the path, not a second slot.
  QTemporaryDir dir;
  const QString link = dir.filePath("by-path,usb-0:1.2");
  ASSERT_TRUE(QFile::link(reader.path(), link));
  const CliResult r = runCli({"--serial", link, "version"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "4700-01 Firmware V2.10\n");
}

}  // namespace
}  // namespace mv4700::testing
