#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>
#include <functional>

#include "commands/commands.h"
#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/reliability/hooked_links.h"
#include "tests/support/plain_fields.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/tampered_links.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {
namespace {

// What goes wrong once the reader was found, just before the command's first
// exchange.
enum class Fault { Silent, Garbled, ExtraBytes, Unplugged, ShortReply };

const char* name(Fault f) {
  switch (f) {
    case Fault::Silent:
      return "silent";
    case Fault::Garbled:
      return "garbled";
    case Fault::ExtraBytes:
      return "extra bytes";
    case Fault::Unplugged:
      return "unplugged";
    case Fault::ShortReply:
      return "short reply";
  }
  return "";
}

// One reader, on USB or on COM1 at 9600 baud (found by the first identify),
// behind hooks that break it after the search.
struct FaultRig {
  FaultRig(bool usb, Fault fault) {
    reader = usb ? &hid.addReader() : &serial.attachReader(1, ReaderModel::Kind::New);
    hooked.beforeSend = [this, fault](int send) {
      if (send > 1) strike(fault);
    };
    hookedPort.beforeOutput = [this, fault](const QByteArray& bytes) {
      if (bytes != QByteArray("\x1B\x00", 2)) strike(fault);
    };
    if (fault == Fault::ShortReply) {
      tampered.tamper = [](std::uint8_t*, std::uint32_t& got) {
        if (got > 0) --got;
      };
      tamperedPort.tamper = [](const QByteArray& arrived) {
        return arrived.left(arrived.size() - 1);
      };
    }
    // The surplus comes in one packet with the reply, as through a USB
    // adapter; byte by byte the tool would take the reply before it.
    if (fault == Fault::ExtraBytes) serial.setAdapterLatency(0.016);
  }

  // Breaks the reader once, at the first command after the identify.
  void strike(Fault fault) {
    if (struck) return;
    struck = true;
    switch (fault) {
      case Fault::Silent:
        reader->faults().silent = true;
        break;
      case Fault::Garbled:
        reader->faults().garble = true;
        break;
      case Fault::ExtraBytes:
        reader->faults().extraBytes = QByteArray("\x00\x55", 2);
        break;
      case Fault::Unplugged:
        reader->unplug();
        break;
      case Fault::ShortReply:
        break;
    }
  }

  bool struck = false;
  TestClock clock;
  SimHidLibrary hid{clock};
  SimSerialService serial{clock};
  HookedHid hooked{hid};
  HookedSerial hookedPort{serial};
  TamperedHid tampered{hooked};
  TamperedSerial tamperedPort{hookedPort};
  RecordingStatusBox box;
  ScriptedDialogs dialogs;
  PlainFields fields;
  DeviceSession session{tampered, tamperedPort, box, clock};
  ReaderModel* reader = nullptr;
};

// Every identify the serial search may send: four speeds, sixteen ports.
constexpr double kSerialSearchSeconds = 4 * 16 * 0.2;

struct Family {
  const char* name;
  std::function<void(FaultRig&)> run;
  double ownWaitSeconds;  // the longest the command itself may wait on the reader
};

const Family kFamilies[] = {
    {"write", [](FaultRig& r) { writeSettings(r.session, r.fields); }, 5 * 1.0 + 1.0},
    {"read", [](FaultRig& r) { readSettings(r.session, r.fields); }, 1.0},
    {"version", [](FaultRig& r) { readVersion(r.session); }, 0.5},
    {"reset", [](FaultRig& r) { resetReader(r.session, r.dialogs); }, 1.0},
};

struct Case {
  const char* family;
  bool usb;
  Fault fault;
  QString lastLine;
};

TEST(CommandFaultsTest, ABrokenReaderEndsEveryCommandClosedAndInTime) {
  const Case cases[] = {
      {"write", true, Fault::Silent, "Programming settings to TQ-4700 USB Error! 2"},
      {"write", true, Fault::Garbled, "Programming settings to TQ-4700 USB Error! 0"},
      {"write", true, Fault::ExtraBytes, "Programming settings to TQ-4700 USB OK!"},
      {"write", true, Fault::Unplugged, "Programming settings to TQ-4700 USB Error! 1"},
      {"write", true, Fault::ShortReply, "Programming settings to TQ-4700 USB OK!"},
      {"write", false, Fault::Silent, "Programming settings to TQ-4700 RS232 Error! 0"},
      {"write", false, Fault::Garbled, "Programming settings to TQ-4700 RS232 Error! 0"},
      {"write", false, Fault::ExtraBytes, "Programming settings to TQ-4700 RS232 Error! 0"},
      {"write", false, Fault::Unplugged, "Programming settings to TQ-4700 RS232 Error! 0"},
      {"write", false, Fault::ShortReply, "Programming settings to TQ-4700 RS232 Error! 0"},
      {"read", true, Fault::Silent, "Read 4700-01 USB value Error!"},
      {"read", true, Fault::Garbled, "Read 4700-01 USB value Error!"},
      {"read", true, Fault::ExtraBytes, "Read 4700-01 USB value OK!"},
      {"read", true, Fault::Unplugged, "Read 4700-01 USB value Error!"},
      {"read", true, Fault::ShortReply, "Read 4700-01 USB value OK!"},
      {"read", false, Fault::Silent, "Read RS232 value Error! 0"},
      {"read", false, Fault::Garbled, "Read RS232 value Error! 0"},
      {"read", false, Fault::ExtraBytes, "Read RS232 value Error! 0"},
      {"read", false, Fault::Unplugged, "Read RS232 value Error! 0"},
      {"read", false, Fault::ShortReply, "Read RS232 value Error! 0"},
      {"version", true, Fault::Silent, "Read firmware version from TQ-4700 USB Error!"},
      {"version", true, Fault::Garbled, "Read firmware version from TQ-4700 USB Error!"},
      {"version", true, Fault::ExtraBytes, "4700-01 Firmware V2.10"},
      {"version", true, Fault::Unplugged, "Read firmware version from TQ-4700 USB Error!"},
      {"version", true, Fault::ShortReply, "4700-01 Firmware V2.10"},
      {"version", false, Fault::Silent, "Read firmware version from TQ-4700 RS232 Error! 0"},
      {"version", false, Fault::Garbled, "Read firmware version from TQ-4700 RS232 Error! 0"},
      {"version", false, Fault::ExtraBytes, "4700-01 Firmware V2.10"},
      {"version", false, Fault::Unplugged, "Read firmware version from TQ-4700 RS232 Error! 0"},
      {"version", false, Fault::ShortReply, "4700-01 Firmware V2.1"},
      {"reset", true, Fault::Silent, "TQ-4700 USB Reset Error!"},
      {"reset", true, Fault::Garbled, "TQ-4700 USB Reset to default OK!"},
      {"reset", true, Fault::ExtraBytes, "TQ-4700 USB Reset to default OK!"},
      {"reset", true, Fault::Unplugged, "TQ-4700 USB Reset Error!"},
      {"reset", true, Fault::ShortReply, "TQ-4700 USB Reset Error!"},
      {"reset", false, Fault::Silent, "TQ-4700 RS232 Reset to default!"},
      {"reset", false, Fault::Garbled, "TQ-4700 RS232 Reset to default!"},
      {"reset", false, Fault::ExtraBytes, "TQ-4700 RS232 Reset to default!"},
      {"reset", false, Fault::Unplugged, "TQ-4700 RS232 Reset to default!"},
      {"reset", false, Fault::ShortReply, "TQ-4700 RS232 Reset to default!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.family) + (c.usb ? " usb " : " serial ") + name(c.fault));
    const Family* family = nullptr;
    for (const Family& f : kFamilies)
      if (std::string(f.name) == c.family) family = &f;
    ASSERT_NE(family, nullptr);
    FaultRig rig(c.usb, c.fault);
    const double start = rig.clock.peek();
    family->run(rig);
    const double took = rig.clock.peek() - start;
    QString last;  // the last thing printed, an open line included
    for (const QString& line : rig.box.shown())
      if (!line.isEmpty()) last = line;
    EXPECT_EQ(last, c.lastLine);
    EXPECT_TRUE(rig.hooked.openHandles.empty());
    EXPECT_EQ(rig.session.usb.hidDevice, 0u);
    EXPECT_FALSE(rig.serial.portOpen());
    EXPECT_TRUE(rig.session.linkState().isEmpty());
    EXPECT_LT(took, kSerialSearchSeconds + family->ownWaitSeconds + 1.0);
  }
}

}  // namespace
}  // namespace mv4700::testing
