// The window and the command line show the same status lines for the same
// reader: Picture1's text after each menu command, and mv4700's standard
// error for the same command.
#include <QAction>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "app/form1.h"
#include "app/picture1.h"
#include "app/tool.h"
#include "cli/cli.h"
#include "settings/plain_fields.h"
#include "settings/settings_file.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/cli/files_on_disk.h"
#include "tests/cli/in_process_run.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_clock.h"

using namespace mv4700;

namespace {

// One emulated reader (USB, or RS232 on COM2 at 57600) for each front end.
struct Readers {
  explicit Readers(bool usb) {
    if (usb) {
      hid.addReader();
    } else {
      serial.attachReader(2, ReaderModel::Kind::New, 57600);
    }
  }
  testing::TestClock clock;
  SimHidLibrary hid{clock};
  SimSerialService serial{clock};
};

// mv4700's standard error for one command.
QString commandLineErr(Readers& readers, const QStringList& arguments) {
  cli::Devices devices{readers.hid, readers.serial, readers.clock};
  return testing::runInProcess(devices, arguments).err;
}

}  // namespace

class CliWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void sameLinesForTheSameReader_data() {
    QTest::addColumn<bool>("usb");
    QTest::newRow("USB") << true;
    QTest::newRow("RS232") << false;
  }

  void sameLinesForTheSameReader() {
    QFETCH(bool, usb);
    QTemporaryDir dir;
    PlainFields settings;
    settings.setText(Field::Text1, "W:");
    settings.setValue(Field::Check1, 1);
    const QString file = dir.filePath("same.mvs");
    QVERIFY(mv4700::testing::putSettingsFile(file, settings));

    Readers windowReader(usb);
    testing::ScriptedDialogs dialogs;
    Form1 window;
    window.setDialogs(&dialogs);
    Tool tool(window, windowReader.hid, windowReader.serial, windowReader.clock);
    for (Field field : kAllFields) {
      window.fields().setText(field, settings.text(field));
      window.fields().setTag(field, settings.tag(field));
      window.fields().setValue(field, settings.value(field));
    }

    Readers cliReader(usb);
    const QString fileLines = "Settings file: " + file + " opened.\nSettings put on all fields.\n";
    const struct {
      const char* menuItem;
      QStringList arguments;
      QString before;  // what only the command line prints first
    } commands[] = {
        {"pusb", {"write", "--no-verify", file}, fileLines},
        {"reads", {"read"}, {}},
        {"rver", {"version"}, {}},
    };
    for (const auto& c : commands) {
      window.action(QString::fromLatin1(c.menuItem))->trigger();
      QCOMPARE(commandLineErr(cliReader, c.arguments), c.before + window.picture1()->text());
    }
  }
};

QTEST_MAIN(CliWindowTest)
#include "cli_window_test.moc"
