// The command line in process over the emulator's HID library.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

#include "cli/cli.h"
#include "link/permission_hint.h"
#include "settings/plain_fields.h"
#include "settings/settings_file.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/cli/files_on_disk.h"
#include "tests/cli/in_process_run.h"
#include "tests/support/qt_printers.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {
namespace {

// One USB reader, no serial port; mv4700 runs against it in process.
class CliOverUsb : public ::testing::Test {
 protected:
  void SetUp() override {
    hid.addReader();
    ASSERT_TRUE(dir.isValid());
  }

  // `typed`: what reaches standard input, as a USB reader's keystrokes would.
  CliRun run(const QStringList& arguments, const QByteArray& typed = {}) {
    return runInProcess(devices, arguments, typed);
  }

  QTemporaryDir dir;
  TestClock clock;
  SimHidLibrary hid{clock};
  SimSerialService serial{clock};
  cli::Devices devices{hid, serial, clock};
};

TEST_F(CliOverUsb, WriteReadAndVersion) {
  PlainFields fields;
  fields.setText(Field::Text2, "!");
  fields.setValue(Field::Check2, 1);
  const QString file = dir.filePath("usb.mvs");
  ASSERT_TRUE(putSettingsFile(file, fields));

  const CliRun write = run({"write", file});
  EXPECT_EQ(write.status, 0);
  const CliRun read = run({"read"});
  EXPECT_EQ(read.status, 0);
  EXPECT_TRUE(read.out.contains(QRegularExpression("Postfix characters: +\"!\"\n")));
  EXPECT_TRUE(read.out.contains(QRegularExpression("Always CapsLock ON: +on\n")));
  const CliRun version = run({"version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "4700-01 Firmware V2.10\n");

  EXPECT_EQ(write.errLines.value(2), "Searching TQ-4700 on USB ports...");
  EXPECT_TRUE(write.errLines.contains("Programming settings to TQ-4700 USB OK!"));
  EXPECT_TRUE(write.out.contains("verified: every field as written"));
}

TEST_F(CliOverUsb, AReaderThatFailsGivesTwo) {
  hid.setup(0).refuseOutputReport = 2;  // the first settings block is refused
  const QString file = dir.filePath("defaults.mvs");
  ASSERT_TRUE(putSettingsFile(file, PlainFields()));
  const CliRun write = run({"write", file});
  EXPECT_EQ(write.status, 2);
  EXPECT_FALSE(write.errLines.contains("Programming settings to TQ-4700 USB OK!"));
}

TEST_F(CliOverUsb, AFileThatCannotBeWrittenGivesThree) {
  // Found before the reader is asked: the save's error line with its number,
  // and nothing sent.
  const QString path = dir.filePath("no-such-folder/reader.mvs");
  const CliRun read = run({"read", "-o", path});
  EXPECT_EQ(read.status, 3);
  EXPECT_EQ(read.errLines, QStringList({"Error: Save settings to file " + path + " Error!! 76"}));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(hid.sentReports(0).empty());
}

TEST_F(CliOverUsb, TestModeTakesTheIdsTheReaderTypes) {
  const QString typed = hid.touch(0) + hid.remove(0) + hid.touch(0);
  const CliRun test = run({"test", "--count", "2"}, typed.toLatin1());
  EXPECT_EQ(test.status, 0);
  EXPECT_EQ(test.out, "2C00000A1B3D4E01\n2C00000A1B3D4E01\n");
  EXPECT_TRUE(
      test.errLines.contains("*** Testing 4700, please put ibutton on 4700 for read ID ***"));
  EXPECT_EQ(test.errLines.last(), "* Test Mode end *");

  // Standard input ends before the count: nobody can type the rest.
  const CliRun early = run({"test", "--count", "3"}, typed.toLatin1());
  EXPECT_EQ(early.status, 2);
  EXPECT_EQ(early.out, "2C00000A1B3D4E01\n2C00000A1B3D4E01\n");
  EXPECT_EQ(early.errLines.last(), "mv4700: standard input ended.");
}

TEST_F(CliOverUsb, VersionsAndUnknownCommands) {
  devices.hidVersion = "0.13.1";
  const CliRun version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(
      version.out.contains(QRegularExpression("^mv4700 [0-9.]+\nQt 6[0-9.]+\nhidapi 0.13.1\n$")))
      << version.out.toStdString();

  const CliRun unknown = run({"frob"});
  EXPECT_EQ(unknown.status, 64);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.errLines.first(), "mv4700: unknown command 'frob'");
}

TEST_F(CliOverUsb, ListAsksEveryReaderOnBothLinks) {
  hid.addReader();
  SimHidLibrary::DeviceSetup keyboardOnly;
  keyboardOnly.openFails = true;
  hid.addReader(keyboardOnly);
  serial.attachReader(3, ReaderModel::Kind::Old, 57600);
  serial.attachReader(4, ReaderModel::Kind::New);
  serial.setPortDenied(4);

  const CliRun list = run({"--json", "list"});
  EXPECT_EQ(list.status, 0);
  const QJsonArray readers =
      QJsonDocument::fromJson(list.out.toUtf8()).object()["readers"].toArray();
  ASSERT_EQ(readers.size(), 3) << list.out.toStdString();
  EXPECT_EQ(readers[0].toObject()["link"].toString(), "USB");
  EXPECT_EQ(readers[1].toObject()["link"].toString(), "USB");
  const QJsonObject serialReader = readers[2].toObject();
  EXPECT_EQ(serialReader["port"].toString(), "COM3");
  EXPECT_EQ(serialReader["baud"].toInt(), 57600);
  EXPECT_EQ(serialReader["model"].toString(), "4700");
  // Listing leaves nothing open and prints no search lines; a refused port
  // gets its hint, once.
  EXPECT_FALSE(serial.portOpen());
  ASSERT_EQ(list.errLines.size(), 1) << list.errLines.join('|').toStdString();
  EXPECT_EQ(list.errLines[0], serialPermissionHint("/dev/ttyS-sim4"));
}

}  // namespace
}  // namespace mv4700::testing
