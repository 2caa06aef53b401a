#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <optional>

#include "link/permission_hint.h"

#include "sim/sim_serial.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

using Kind = ReaderModel::Kind;

const QString kSearching = "Searching COM 1~16 for 4700... ";
const QString kNotFound = "Can not find 4700 at com 1~16 with all baud rate!";
const QByteArray kIdentify("\x1B\x00", 2);

// Passes every call on to the ports and notes each open attempt ("COM3 9600")
// and each close.
class PortLog final : public SerialService {
 public:
  explicit PortLog(SerialService& inner) : inner_(inner) {}
  QStringList calls;

  void setCommPort(int port) override { inner_.setCommPort(port); }
  int commPort() const override { return inner_.commPort(); }
  void setSettings(const QString& s) override { inner_.setSettings(s); }
  QString settings() const override { return inner_.settings(); }
  void setInputMode(int mode) override { inner_.setInputMode(mode); }
  int inBufferCount() override { return inner_.inBufferCount(); }
  void clearInBuffer() override { inner_.clearInBuffer(); }
  void clearOutBuffer() override { inner_.clearOutBuffer(); }
  void setPortOpen(bool open) override {
    calls << (open ? QString("COM%1 %2").arg(commPort()).arg(settings().section(',', 0, 0))
                   : QString("close"));
    inner_.setPortOpen(open);
  }
  bool portOpen() const override { return inner_.portOpen(); }
  void output(const QByteArray& bytes) override { inner_.output(bytes); }
  QByteArray input() override { return inner_.input(); }
  void setReceiveHandler(std::function<void()> h) override { inner_.setReceiveHandler(h); }
  int lastError() const override { return inner_.lastError(); }
  void clearError() override { inner_.clearError(); }
  QString lastOpenDenied() const override { return inner_.lastOpenDenied(); }

 private:
  SerialService& inner_;
};

// Sixteen emulated ports, logged, and a serial link searching them.
struct SearchBench {
  testing::TestClock clock;
  SimSerialService sim{clock};
  PortLog port{sim};
  testing::RecordingStatusBox status;
  LinkShared shared;
  SerialLink serial{port, status, clock, shared};
};

class SerialSearch : public ::testing::Test, protected SearchBench {};

TEST_F(SerialSearch, ReaderAt115200OnCom16IsFoundAfterAllOtherTries) {
  sim.attachReader(16, Kind::New, 115200);
  serial.Comsearch();

  QStringList expected;
  for (const char* baud : {"9600", "19200", "57600", "115200"})
    for (int com = 1; com <= 16; ++com) expected << QString("COM%1 %2").arg(com).arg(baud);
  QStringList opens = port.calls.filter("COM");
  EXPECT_EQ(opens, expected);
  EXPECT_EQ(status.lines,
            QStringList({kSearching, "Found NEW 4700-01 RS232 at com:  16 Baud: 115200"}));
  EXPECT_EQ(serial.comPort, 16);
  EXPECT_EQ(serial.baudIndex, 9);
  EXPECT_TRUE(port.portOpen());
  EXPECT_EQ(sim.commPort(), 16);
  EXPECT_EQ(sim.settings(), "115200,n,8,1");
  // The reader heard the identify at each speed; it answered only at its own.
  EXPECT_EQ(sim.sentBytes(16), kIdentify.repeated(4));
}

TEST_F(SerialSearch, TellsTheTwoLayoutsApart) {
  struct Case {
    Kind kind;
    int com;
    int baud;
    QString found;
    int baudIndex;
  };
  const Case cases[] = {
      {Kind::New, 3, 9600, "Found NEW 4700-01 RS232 at com:  3 Baud: 9600", 0},
      {Kind::Old, 3, 9600, "Found 4700 RS232 at com:  3 Baud: 9600", 0},
      {Kind::Old, 1, 19200, "Found 4700 RS232 at com:  1 Baud: 19200", 6},
      {Kind::New, 12, 57600, "Found NEW 4700-01 RS232 at com:  12 Baud: 57600", 8},
  };
  for (const Case& c : cases) {
    testing::TestClock clock;
    SimSerialService sim(clock);
    testing::RecordingStatusBox status;
    LinkShared shared;
    shared.newModel = c.kind == Kind::Old;  // the search must set it either way
    SerialLink serial(sim, status, clock, shared);
    sim.attachReader(c.com, c.kind, c.baud);

    serial.Comsearch();

    EXPECT_EQ(status.lines, QStringList({kSearching, c.found})) << c.found.toStdString();
    EXPECT_EQ(shared.newModel, c.kind == Kind::New) << c.found.toStdString();
    EXPECT_EQ(serial.comPort, c.com);
    EXPECT_EQ(serial.baudIndex, c.baudIndex);
    EXPECT_TRUE(sim.portOpen());
  }
}

TEST_F(SerialSearch, AnswersThatAreNotAnIdentifyAreSkipped) {
  // Port 1: one byte too many, handed over with the reply in one packet by
  // a USB adapter. Port 2: busy. Port 3: garbled. Port 4: silent.
  sim.setAdapterLatency(0.016);
  sim.attachReader(1, Kind::New).faults().extraBytes = "X";
  sim.setPortBusy(2);
  sim.attachReader(3, Kind::New).faults().garble = true;
  sim.attachReader(4, Kind::Old).faults().silent = true;
  sim.attachReader(5, Kind::Old).faults().wrongIdentify = true;

  serial.Comsearch();

  EXPECT_EQ(status.lines, QStringList({kSearching, kNotFound}));
  EXPECT_EQ(serial.comPort, 0);
  EXPECT_EQ(serial.baudIndex, 9);
  EXPECT_FALSE(port.portOpen());
  EXPECT_EQ(sim.sentBytes(1), kIdentify.repeated(4));
}

TEST_F(SerialSearch, NotFoundAfterAFindResetsThePort) {
  sim.attachReader(7, Kind::New, 19200);
  serial.Comsearch();
  ASSERT_EQ(serial.comPort, 7);
  ASSERT_TRUE(port.portOpen());

  sim.reader(7)->unplug();
  port.calls.clear();
  serial.Comsearch();
  EXPECT_EQ(port.calls.first(), "close") << "the port left open is closed first";
  EXPECT_EQ(serial.comPort, 0);
  EXPECT_EQ(serial.baudIndex, 9);
  EXPECT_FALSE(port.portOpen());
  EXPECT_EQ(status.lines.last(), kNotFound);
}

TEST_F(SerialSearch, ComwaitTakesExactlyNBytesInTime) {
  struct Case {
    const char* name;
    int n;
    float seconds;
    double replyDelay;
    double adapterLatency;  // 0: byte by byte; else one packet for the reply
    int rxDone;
    int rxBytes;
  };
  const Case cases[] = {
      {"all ten in time", 10, 0.2f, 0.05, 0, 1, 10},
      {"all ten in time, in one packet", 10, 0.2f, 0.05, 0.016, 1, 10},
      {"a burst past n times out", 9, 0.2f, 0.05, 0.016, 0, 0},
      {"byte by byte, n is seen on the way", 9, 0.2f, 0.05, 0, 1, 9},
      {"too late", 10, 0.2f, 0.3, 0, 0, 0},
      {"more than the reader sends", 11, 0.2f, 0.05, 0, 0, 0},
  };
  for (const Case& c : cases) {
    testing::TestClock clock;
    SimSerialService sim(clock);
    testing::RecordingStatusBox status;
    LinkShared shared;
    SerialLink serial(sim, status, clock, shared);
    sim.attachReader(1, Kind::New);
    sim.setReplyDelay(c.replyDelay);
    sim.setAdapterLatency(c.adapterLatency);
    sim.setCommPort(1);
    sim.setPortOpen(true);
    serial.rxBytes = "old";
    serial.rxDone = 1;

    serial.txBytes = kIdentify;
    serial.sendTxBytes();
    const double start = clock.peek();
    serial.Comwait(static_cast<std::int16_t>(c.n), c.seconds);

    EXPECT_EQ(serial.rxDone, c.rxDone) << c.name;
    EXPECT_EQ(serial.rxBytes.size(), c.rxBytes) << c.name;
    if (c.rxDone == 0) {
      EXPECT_GE(clock.peek() - start, c.seconds) << c.name;
      EXPECT_LT(clock.peek() - start, c.seconds + 0.01) << c.name;
    }
  }
}

TEST_F(SerialSearch, ComreadWaitsHalfASecondAndTakesEverything) {
  sim.attachReader(1, Kind::New);
  sim.setReplyDelay(0.3);
  sim.setCommPort(1);
  sim.setPortOpen(true);
  serial.rxDone = 1;
  serial.txBytes = kIdentify;
  serial.sendTxBytes();
  serial.sendTxBytes();

  const double start = clock.peek();
  serial.Comread();
  EXPECT_GE(clock.peek() - start, 0.5);
  EXPECT_EQ(serial.rxBytes.size(), 20);
  EXPECT_EQ(serial.rxDone, 1) << "Comread leaves rxDone alone";

  serial.Comread();
  EXPECT_TRUE(serial.rxBytes.isEmpty());
}

TEST(SerialSettingsText, BaudWithNoParityEightDataBitsOneStopBit) {
  EXPECT_EQ(serialSettingsText("9600"), "9600,n,8,1");
  EXPECT_EQ(serialSettingsText("115200"), "115200,n,8,1");
}

TEST_F(SerialSearch, AFixedSpeedIsTheOnlyOneTried) {
  sim.attachReader(2, Kind::New, 57600);
  serial.fixedBaudCode = 9;  // 115200
  serial.Comsearch();
  EXPECT_EQ(serial.comPort, 0);
  EXPECT_EQ(port.calls.filter(" 115200").size(), 16);
  EXPECT_TRUE(port.calls.filter(QRegularExpression(" (9600|19200|57600)$")).isEmpty());
  EXPECT_EQ(status.lines, QStringList({kSearching, kNotFound}));

  serial.fixedBaudCode = 8;  // 57600
  serial.Comsearch();
  EXPECT_EQ(serial.comPort, 2);
}

TEST_F(SerialSearch, ASearchTurnedOffOpensNothingAndSaysNothing) {
  sim.attachReader(1, Kind::New);
  shared.serialSearch = false;
  serial.Comsearch();
  EXPECT_EQ(serial.comPort, 0);
  EXPECT_TRUE(port.calls.isEmpty());
  EXPECT_TRUE(status.transcript.isEmpty());
}

// A port a front end named sits in COM 1: only that slot is asked, the lines
// name the port and the speeds, and a port that is not there or refuses ends
// the search at its first try, with the failure number.
TEST(NamedPortSearch, AsksOnlyTheNamedPortAndNamesItInItsLines) {
  enum class Port { Reader, Empty, Busy, Denied };
  struct Case {
    Port port;
    std::optional<int> fixedBaudCode;
    QStringList lines;  // after the search line
    QStringList opens;
  };
  const QString name = "/dev/ttyUSB7";
  const QString all = "Searching /dev/ttyUSB7 for 4700 at all speeds... ";
  const QString refused =
      "Can not open /dev/ttyUSB7: access refused, or held by another program 102";
  const Case cases[] = {
      {Port::Reader,
       {},
       {all, "Found NEW 4700-01 RS232 at /dev/ttyUSB7 Baud: 57600"},
       {"COM1 9600", "COM1 19200", "COM1 57600"}},
      {Port::Reader,
       0,
       {"Searching /dev/ttyUSB7 for 4700 at 9600 baud... ",
        "Can not find 4700 on /dev/ttyUSB7 at 9600 baud!"},
       {"COM1 9600"}},
      {Port::Empty, {}, {all, "Can not open /dev/ttyUSB7: no such device 101"}, {"COM1 9600"}},
      {Port::Busy, {}, {all, refused}, {"COM1 9600"}},
      {Port::Denied, {}, {all, refused, serialPermissionHint("/dev/ttyS-sim1")}, {"COM1 9600"}},
  };
  for (const Case& c : cases) {
    SearchBench bench;
    if (c.port == Port::Reader) bench.sim.attachReader(1, Kind::New, 57600);
    // A reader behind another slot is never reached.
    bench.sim.attachReader(2, Kind::New, 9600);
    if (c.port == Port::Busy) bench.sim.setPortBusy(1);
    if (c.port == Port::Denied) bench.sim.setPortDenied(1);
    bench.serial.namedPort = name;
    bench.serial.fixedBaudCode = c.fixedBaudCode;
    bench.serial.Comsearch();
    EXPECT_EQ(bench.status.lines, c.lines);
    EXPECT_EQ(bench.port.calls.filter("COM"), c.opens) << c.lines.join('|').toStdString();
    EXPECT_EQ(bench.serial.comPort, c.port == Port::Reader && !c.fixedBaudCode ? 1 : 0);
  }
}

TEST_F(SerialSearch, ProbeAsksOnePortAtOneSpeed) {
  sim.attachReader(5, Kind::Old, 19200);
  EXPECT_FALSE(serial.probe(5, 0));
  EXPECT_TRUE(serial.probe(5, 6));
  EXPECT_FALSE(shared.newModel);
  EXPECT_TRUE(port.portOpen());
  EXPECT_EQ(port.calls, QStringList({"COM5 9600", "close", "COM5 19200"}));
  EXPECT_TRUE(status.transcript.isEmpty());
}

// A reader cut off in the middle of a command keeps collecting it: without
// the line cleared no search finds it; with it, the first search does, and
// a reader with nothing pending never hears the filler.
TEST_F(SerialSearch, AReaderCutOffMidCommandIsFoundOnceTheLineIsCleared) {
  const QByteArray writeHeader("\x1B\x1D\x00\x10\x1F", 5);
  struct Case {
    const char* name;
    QByteArray pending;
    int baud;
  };
  const Case cases[] = {
      {"write header only", writeHeader, 9600},
      {"write missing one byte", writeHeader + QByteArray(30, 'A'), 9600},
      {"write missing two bytes", writeHeader + QByteArray(29, 'A'), 57600},
      {"write half way", writeHeader + QByteArray(12, 'A'), 115200},
  };
  for (const Case& c : cases) {
    for (const bool clearing : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (clearing ? ", cleared" : ", not cleared"));
      SimSerialService ports{clock};
      LinkShared linkShared;
      testing::RecordingStatusBox lines;
      SerialLink link{ports, lines, clock, linkShared};
      link.clearLineOnMiss = clearing;
      ports.attachReader(3, Kind::New, c.baud).receiveSerial(c.pending, c.baud);
      link.Comsearch();
      EXPECT_EQ(link.comPort, clearing ? 3 : 0);
      EXPECT_EQ(lines.lines.size(), 2);
    }
  }
  // A port named by the front end is cleared the same way.
  {
    SimSerialService ports{clock};
    LinkShared linkShared;
    testing::RecordingStatusBox lines;
    SerialLink link{ports, lines, clock, linkShared};
    link.clearLineOnMiss = true;
    link.namedPort = QStringLiteral("/dev/ttyUSB0");
    ports.attachReader(1, Kind::New, 57600).receiveSerial(writeHeader, 57600);
    link.Comsearch();
    EXPECT_EQ(link.comPort, 1);
  }
  sim.attachReader(4, Kind::New, 19200);
  serial.clearLineOnMiss = true;
  serial.Comsearch();
  EXPECT_EQ(serial.comPort, 4);
  EXPECT_EQ(sim.sentBytes(4), kIdentify.repeated(2)) << "9600, then 19200";
}

}  // namespace
}  // namespace mv4700
