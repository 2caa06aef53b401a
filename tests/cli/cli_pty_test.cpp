// mv4700 as a script runs it, through the product serial backend to
// mv4700-sim on a pseudo-terminal: results, status lines and exit statuses.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "settings/plain_fields.h"
#include "settings/settings_file.h"
#include "sim/sample_image.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/files_on_disk.h"
#include "tests/link/core_application.h"
#include "tests/support/qt_printers.h"
#include "tests/support/sample_fields.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CliOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureCoreApplication();
    ASSERT_TRUE(dir.isValid());
  }
  QString inDir(const QString& name) const { return dir.filePath(name); }
  QString settingsFile(const PlainFields& fields) {
    const QString path = inDir("bench.mvs");
    EXPECT_TRUE(putSettingsFile(path, fields));
    return path;
  }

  QTemporaryDir dir;
};

TEST_F(CliOverPty, VersionOnTheNamedPortSkipsTheUsbSearch) {
  SimulatedReader reader(MV4700_SIM_PATH, {"--baud", "19200", "--version", "BENCH 3.1"});
  ASSERT_FALSE(reader.path().isEmpty());

  const CliResult r = runCli({"--serial", reader.path(), "version"});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "BENCH 3.1\n");
  EXPECT_EQ(r.errLines(),
            QStringList({"Searching " + reader.path() + " for 4700 at all speeds... ",
                         "Found NEW 4700-01 RS232 at " + reader.path() + " Baud: 19200",
                         "Reading firmware version from TQ-4700 RS232...", "BENCH 3.1"}));

  const CliResult json = runCli({"--serial", reader.path(), "--json", "version"});
  const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
  EXPECT_EQ(object["version"].toString(), "BENCH 3.1");
  EXPECT_EQ(object["exitStatus"].toInt(), 0);
}

TEST_F(CliOverPty, BaudFixesTheSpeed) {
  SimulatedReader reader(MV4700_SIM_PATH, {"--baud", "57600"});
  ASSERT_FALSE(reader.path().isEmpty());
  const CliResult wrong = runCli({"--serial", reader.path(), "--baud", "9600", "version"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.errLines(),
            QStringList({"Searching " + reader.path() + " for 4700 at 9600 baud... ",
                         "Can not find 4700 on " + reader.path() + " at 9600 baud!"}));
  const CliResult r = runCli({"--serial", reader.path(), "--baud", "57600", "version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.errLines().value(0), "Searching " + reader.path() + " for 4700 at 57600 baud... ");
  EXPECT_EQ(r.errLines().value(1), "Found NEW 4700-01 RS232 at " + reader.path() + " Baud: 57600");
}

TEST_F(CliOverPty, WriteVerifyThenReadGivesTheSameFileBack) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  const QString written = settingsFile(nonDefaultFields());

  const CliResult w = runCli({"--serial", reader.path(), "write", written, "--verify"});
  EXPECT_EQ(w.status, 0) << w.err.toStdString();
  EXPECT_TRUE(w.errLines().contains("Programming settings to TQ-4700 RS232 OK!"));
  EXPECT_TRUE(w.errLines().contains("Read 4700-01 RS232 value OK!"));

  const QString back = inDir("back.mvs");
  const CliResult r = runCli({"--serial", reader.path(), "read", "-o", back});
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_EQ(r.errLines().last(), "Settings saved ok to : " + back);
  EXPECT_EQ(fileBytes(back), fileBytes(written));

  const CliResult shown = runCli({"--serial", reader.path(), "read"});
  EXPECT_TRUE(shown.out.contains(QRegularExpression("Prefix characters: +\"ID:\"\n")));
  EXPECT_TRUE(shown.out.contains(QRegularExpression("Baud Rate: +19200\n")));
}

TEST_F(CliOverPty, VerifyReportsWhatTheReaderDidNotKeep) {
  // The older reader has no CapsLock setting: it reads back off.
  SimulatedReader reader(MV4700_SIM_PATH, {"--model", "old"});
  ASSERT_FALSE(reader.path().isEmpty());
  const CliResult r = runCli(
      {"--serial", reader.path(), "--json", "write", settingsFile(nonDefaultFields()), "--verify"});
  EXPECT_EQ(r.status, 2) << r.err.toStdString();
  const QJsonObject object = QJsonDocument::fromJson(r.out.toUtf8()).object();
  const QJsonArray differences = object["differences"].toArray();
  ASSERT_EQ(differences.size(), 1) << r.out.toStdString();
  EXPECT_EQ(differences[0].toObject()["field"].toString(), "capsLockOn");
}

TEST_F(CliOverPty, NoReaderGivesTheWindowsNotFoundLines) {
  const CliResult r = runCli({"version"}, cliEnvironment("/nonexistent/port", true));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.errLines(),
            QStringList({"Searching TQ-4700 on USB ports...", "No TQ-4700 connected on USB port! ",
                         "Searching COM 1~16 for 4700... ",
                         "Can not find 4700 at com 1~16 with all baud rate!"}));
}

TEST_F(CliOverPty, NothingIsSentWhenTheFileIsRefusedOrTheQuestionCannotBeAsked) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  const QString notFirmware = inDir("notes.bin");
  ASSERT_TRUE(putFile(notFirmware, QByteArray(400, 'x')));
  const QString firmware = inDir("fw.bin");
  ASSERT_TRUE(putFile(firmware, makeSampleImage(600, "NEW 9.9")));
  const QString badSettings = inDir("bad.mvs");
  ASSERT_TRUE(putFile(badSettings, "[4700-01 Settings File]\r\nsomething else\r\n"));

  const QString noFolder = inDir("no/such/folder/kept.mvs");
  struct Case {
    QStringList arguments;
    int status;
    QString lastLine = {};  // when it matters
  };
  const Case cases[] = {
      {{"flash", notFirmware, "--yes"}, 3},
      {{"flash", inDir("missing.bin"), "--yes"}, 3},
      {{"write", badSettings}, 3},
      {{"write", inDir("missing.mvs")}, 3},
      {{"flash", firmware}, 64},
      {{"reset"}, 64},
      // read -o checks its file before the reader is asked.
      {{"read", "-o", noFolder}, 3, "Error: Save settings to file " + noFolder + " Error!! 76"},
      {{"read", "-o", dir.path()}, 3, "Error: Save settings to file " + dir.path() + " Error!! 75"},
      {{"--watch", "read", "-o", noFolder}, 3},
  };
  for (const Case& c : cases) {
    const CliResult r = runCli(QStringList{"--serial", reader.path()} + c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments.join(' ').toStdString() << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Searching")) << r.err.toStdString();
    if (!c.lastLine.isEmpty()) {
      EXPECT_EQ(r.errLines().value(0), c.lastLine);
    }
  }
  // The reader kept its program and its settings.
  EXPECT_EQ(runCli({"--serial", reader.path(), "version"}).out, "4700-01 Firmware V2.10\n");
}

TEST_F(CliOverPty, ResetAndFlashWithYes) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  ASSERT_EQ(runCli({"--serial", reader.path(), "write", settingsFile(nonDefaultFields())}).status,
            0);

  const CliResult reset = runCli({"--serial", reader.path(), "--yes", "reset"});
  EXPECT_EQ(reset.status, 0) << reset.err.toStdString();
  EXPECT_TRUE(reset.errLines().contains("TQ-4700 RS232 Reset to default!"));
  EXPECT_EQ(reset.errLines().last(), "Read 4700-01 RS232 value OK!") << "read back";
  const QString back = inDir("after-reset.mvs");
  ASSERT_EQ(runCli({"--serial", reader.path(), "read", "-o", back}).status, 0);
  EXPECT_EQ(fileBytes(back), *settingsFileBytes(PlainFields()));

  const QString firmware = inDir("fw.bin");
  ASSERT_TRUE(putFile(firmware, makeSampleImage(600, "NEW 9.9")));
  const CliResult flash = runCli({"--serial", reader.path(), "--yes", "flash", firmware});
  EXPECT_EQ(flash.status, 0) << flash.err.toStdString();
  // Not a terminal: the window's dots, one for every 50 bytes.
  EXPECT_TRUE(flash.err.contains("Total 600 Bytes. Writing:............\n"))
      << flash.err.toStdString();
  EXPECT_TRUE(flash.errLines().contains("4700-01 firmware update Finished!"));
  EXPECT_EQ(flash.out, "Verified: the reader reports NEW 9.9\n");
  EXPECT_EQ(runCli({"--serial", reader.path(), "version"}).out, "NEW 9.9\n");
}

// A loader that acknowledges every step and stores nothing: only the check
// after the update sees it, and exit 0 is never given for it.
TEST_F(CliOverPty, AFlashTheReaderDoesNotHoldFailsItsVerify) {
  SimulatedReader reader(MV4700_SIM_PATH, {"--loader-forget", "--boot-seconds", "1.2"});
  ASSERT_FALSE(reader.path().isEmpty());
  const QString firmware = inDir("fw.bin");
  ASSERT_TRUE(putFile(firmware, makeSampleImage(300, "LOST 1.0")));
  const CliResult flash = runCli({"--serial", reader.path(), "--yes", "--json", "flash", firmware});
  EXPECT_EQ(flash.status, 2) << flash.err.toStdString();
  const QJsonObject json = QJsonDocument::fromJson(flash.out.toUtf8()).object();
  EXPECT_EQ(json.value("verified"), QJsonValue(false));
  EXPECT_EQ(json.value("expected").toString(), "LOST 1.0");
}

// A transfer stopped half way leaves the reader in its loader; the rescue
// waits for that loader through a power cycle, flashes and verifies it.
TEST_F(CliOverPty, ARescueBringsBackAReaderLeftInItsLoader) {
  SimulatedReader reader(MV4700_SIM_PATH, {"--boot-seconds", "1.2", "--loader-unplug", "150"});
  ASSERT_FALSE(reader.path().isEmpty());
  const QString firmware = inDir("fw.bin");
  ASSERT_TRUE(putFile(firmware, makeSampleImage(300, "BACK 2.0")));
  EXPECT_EQ(runCli({"--serial", reader.path(), "--yes", "flash", firmware}).status, 2);
  EXPECT_EQ(runCli({"--all", "--yes", "flash", "--rescue", firmware}).status, 64);

  reader.command("loader-unplug off");
  CliProcess rescue({"--serial", reader.path(), "--yes", "flash", "--rescue", firmware});
  ASSERT_TRUE(rescue.waitFor("waiting for its loader"));
  reader.command("unplug");
  reader.command("replug");
  EXPECT_EQ(rescue.finish(), 0);
  EXPECT_TRUE(rescue.out().contains("Verified: the reader reports BACK 2.0"));
}

TEST_F(CliOverPty, ListNamesThePortItsSpeedAndTheModel) {
  SimulatedReader reader(MV4700_SIM_PATH, {"--model", "old", "--baud", "115200"});
  ASSERT_FALSE(reader.path().isEmpty());
  const CliResult r = runCli({"--serial", reader.path(), "list"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "RS232  COM1  " + reader.path() + "  115200 baud  4700\n");
}

// The search leaves pseudo-terminals out: with no reader found, list names
// the open ones that no slot reaches, and how to name one.
TEST_F(CliOverPty, ListNamesThePseudoTerminalsItDidNotSearch) {
  SimulatedReader reader(MV4700_SIM_PATH, {});
  ASSERT_FALSE(reader.path().isEmpty());
  // The emulator's terminal is open, maybe among others (the first few are named).
  const CliResult missed = runCli({"list"}, cliEnvironment("", true));
  EXPECT_EQ(missed.status, 1);
  EXPECT_EQ(missed.errLines().value(0), "mv4700: no reader answered.");
  const QString hint = missed.errLines().value(1);
  EXPECT_TRUE(hint.contains(QRegularExpression(
      "^mv4700: pseudo-terminals \\(/dev/pts/[0-9]+(, /dev/pts/[0-9]+)*(, \\.\\.\\.)?\\) are "
      "not searched by default; name one with --serial PATH or MV4700_COM_PORTS=PATH\\.$")))
      << missed.err.toStdString();

  // A slot names it: it is searched, and found.
  const CliResult found = runCli({"list"}, cliEnvironment(reader.path(), true));
  EXPECT_EQ(found.status, 0) << found.err.toStdString();
  EXPECT_FALSE(found.err.contains("pseudo-terminals"));
}

TEST_F(CliOverPty, TestModePrintsEachIdOnItsOwnLine) {
  SimulatedReader reader(MV4700_SIM_PATH, {"--id", "0123456789ABCDEF"});
  ASSERT_FALSE(reader.path().isEmpty());
  CliProcess test({"--serial", reader.path(), "test", "--count", "2"});
  ASSERT_TRUE(test.waitFor("*** Testing 4700, please put ibutton on 4700 for read ID ***"));
  reader.command("touch");
  ASSERT_TRUE(test.waitForOut("\n"));
  reader.command("remove");
  reader.command("touch");
  EXPECT_EQ(test.finish(), 0) << test.err().toStdString();
  EXPECT_EQ(test.out(), "0123456789ABCDEF\n0123456789ABCDEF\n");
  EXPECT_TRUE(test.err().endsWith("* Test Mode end *\n"));
}

}  // namespace
}  // namespace mv4700::testing
