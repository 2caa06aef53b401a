// The tool against the faults of real serial lines and loaders: every
// command ends within its waits, with one clear line, the port closed, and
// never a success the reader does not bear out.
#include <gtest/gtest.h>

#include <QStringList>
#include <functional>

#include "commands/commands.h"
#include "link/device_session.h"
#include "settings/plain_fields.h"
#include "sim/line_faults.h"
#include "sim/reader_faults.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/firmware/flash_fixture.h"
#include "tests/reliability/hooked_links.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {
namespace {

// One new reader on COM1, switched into its faults by the names mv4700-sim
// takes on its standard input.
struct LineRig {
  explicit LineRig(int baud) : reader(serial.attachReader(1, ReaderModel::Kind::New, baud)) {}
  LineRig(const LineRig&) = delete;
  LineRig& operator=(const LineRig&) = delete;

  void set(const QString& name, const QString& value = {}) {
    for (const FaultSwitch& f : readerFaultSwitches())
      if (f.name == name) return check(switchReaderFault(reader, name, value));
    check(switchLineFault(serial.line(1), name, value));
  }
  static void check(const QString& refused) {
    EXPECT_TRUE(refused.isEmpty()) << qPrintable(refused);
  }
  QString lastLine() const {
    QString last;
    for (const QString& line : status.shown())
      if (!line.isEmpty()) last = line;
    return last;
  }

  TestClock clock;
  SimHidLibrary hid{clock};
  SimSerialService serial{clock};
  HookedSerial hooks{serial};
  RecordingStatusBox status;
  ScriptedDialogs dialogs;
  PlainFields fields;
  DeviceSession session{hid, hooks, status, clock};
  ReaderModel& reader;
};

bool sameFields(const PlainFields& a, const PlainFields& b) {
  for (Field f : kAllFields)
    if (!(a.state(f) == b.state(f))) return false;
  return true;
}

using Command = std::function<void(LineRig&)>;

struct CommandFamily {
  const char* name;
  Command run;
  QString done;       // the line a success ends with
  double ownSeconds;  // the longest the command itself may wait on the reader
};

const CommandFamily kCommands[] = {
    {"version", [](LineRig& r) { readVersion(r.session); }, "4700-01 Firmware V2.10", 0.5},
    {"read", [](LineRig& r) { readSettings(r.session, r.fields); }, "Read 4700-01 RS232 value OK!",
     1.0},
    {"write",
     [](LineRig& r) {
       r.fields.setText(Field::Text1, "AB");
       writeSettings(r.session, r.fields);
     },
     "Programming settings to TQ-4700 RS232 OK!", 1.0},
};

// Every identify the serial search may send: four speeds, sixteen ports.
constexpr double kSerialSearchSeconds = 4 * 16 * 0.2;

struct Case {
  const char* name;
  int readerBaud;
  std::function<void(LineRig&)> arrange;
  bool succeeds;  // the reader can still be served
};

// Each fault of a real line, met by each command: it ends in time, with the
// port closed and its own last line; a success is one the reader bears out,
// checked against a twin reader on a clean line.
TEST(LineFaultsTest, EveryCommandMeetsEveryLineFault) {
  const Case cases[] = {
      // The reader types at 57600 while the search asks at the slower
      // speeds: the search hears garbage there and goes on, as after silence.
      {"garbage at the wrong speeds", 57600,
       [](LineRig& r) {
         r.set("wrong-speed-garbage");
         r.hooks.beforeOutput = [&r](const QByteArray&) {
           if (r.serial.lineBaud() != 57600) r.reader.touch();
         };
       },
       true},
      {"every bit flipped somewhere", 9600, [](LineRig& r) { r.set("bit-errors", "1"); }, false},
      {"every byte lost", 9600, [](LineRig& r) { r.set("drop", "1"); }, false},
      {"garbage before each answer", 9600, [](LineRig& r) { r.set("leading", "00FF"); }, false},
      {"a 16 ms adapter", 9600, [](LineRig& r) { r.set("adapter-latency", "16"); }, true},
      {"a power glitch before the command", 9600,
       [](LineRig& r) {
         r.set("power-glitch");
         r.hooks.beforeOutput = [&r](const QByteArray& bytes) {
           if (bytes == QByteArray("\x1B\x00", 2)) return;  // the search's identify
           r.reader.unplug();
           r.reader.replug();
         };
       },
       false},
      // Its loader answers the identify, and nothing else.
      {"a reader in its loader", 9600, [](LineRig& r) { r.set("start-in-loader"); }, false},
  };
  for (const Case& c : cases)
    for (const CommandFamily& command : kCommands) {
      SCOPED_TRACE(std::string(c.name) + ", " + command.name);
      LineRig rig(c.readerBaud);
      c.arrange(rig);
      const double start = rig.clock.peek();
      command.run(rig);
      const double took = rig.clock.peek() - start;
      EXPECT_LT(took, kSerialSearchSeconds + command.ownSeconds + 1.0);
      EXPECT_FALSE(rig.serial.portOpen());
      EXPECT_TRUE(rig.session.linkState().isEmpty());
      const QString last = rig.lastLine();
      EXPECT_EQ(last == command.done, c.succeeds) << qPrintable(last);
      EXPECT_TRUE(last == command.done || last.contains("Error") || last.startsWith("Can not find"))
          << qPrintable(last);
      if (last != command.done) continue;
      // The truth: the same command with a reader on a clean line.
      LineRig twin(c.readerBaud);
      command.run(twin);
      EXPECT_EQ(rig.reader.settings().toByteArray(), twin.reader.settings().toByteArray());
      EXPECT_TRUE(sameFields(rig.fields, twin.fields));
    }
}

struct FlashCase {
  const char* name;
  std::function<void(FlashRig&, ReaderModel&)> arrange;
  QString lastLine;
};

QString set(WireModel& line, ReaderModel& reader, const QString& name, const QString& value = {}) {
  for (const FaultSwitch& f : readerFaultSwitches())
    if (f.name == name) return switchReaderFault(reader, name, value);
  return switchLineFault(line, name, value);
}

// The RS232 update against loaders and lines that behave as real ones may:
// it finishes where the reader can be served, and otherwise ends in time
// with its line and the port closed.
TEST(LineFaultsTest, TheSerialUpdateMeetsLoadersAndLineFaults) {
  const QString finished = "4700-01 firmware update Finished!";
  const FlashCase cases[] = {
      // Up before the tool listens at 9600, greeting every 100 ms: what the
      // tool heard at its old speed is garbage it must not take for an answer.
      {"a loader that greets until answered, heard at the old speed too",
       [](FlashRig& r, ReaderModel& m) {
         m.setRebootSeconds(0.05);
         set(r.serial.line(3), m, "loader-greeting", "repeat");
         set(r.serial.line(3), m, "wrong-speed-garbage");
       },
       finished},
      {"a loader that greets until answered",
       [](FlashRig& r, ReaderModel& m) { set(r.serial.line(3), m, "loader-greeting", "repeat"); },
       finished},
      {"a 16 ms adapter",
       [](FlashRig& r, ReaderModel& m) { set(r.serial.line(3), m, "adapter-latency", "16"); },
       finished},
      {"every byte lost after the erase",
       [](FlashRig& r, ReaderModel&) {
         r.serialTap.afterOutput = [&r](const QByteArray& sent) {
           if (sent.size() == 13) r.serial.line(3).faults().dropRate = 1;
         };
       },
       "Waiting for 4700-01 reboot ...Receive device ACK timeout, Flash abort!"},
  };
  for (const FlashCase& c : cases) {
    SCOPED_TRACE(c.name);
    FlashRig rig;
    ReaderModel& reader = rig.serial.attachReader(3, ReaderModel::Kind::New, 19200);
    c.arrange(rig, reader);
    const double start = rig.clock.peek();
    const QByteArray file = rig.flash({.length = 300});
    const double took = rig.clock.peek() - start;
    EXPECT_EQ(rig.lastLine(), c.lastLine);
    EXPECT_EQ(reader.storedImage().isEmpty(), c.lastLine != finished);
    EXPECT_FALSE(rig.serial.portOpen());
    EXPECT_TRUE(rig.session.linkState().isEmpty());
    // The search, the erase's pause, the loader wait and the frames at 16 ms.
    EXPECT_LT(took, 0.2 + 1 + 6 + 301 * 0.017 + 1);
  }
}

}  // namespace
}  // namespace mv4700::testing
