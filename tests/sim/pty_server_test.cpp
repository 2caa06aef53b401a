// The reader on a real pseudo-terminal, opened the way the tool's serial
// backend opens a port: raw, at a chosen speed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <thread>
#include <vector>

#include "firmware/erase_command.h"
#include "seams/clock.h"
#include "sim/line_faults.h"
#include "sim/pty_server.h"
#include "sim/reader_faults.h"
#include "sim/reader_model.h"
#include "sim/reader_on_pty.h"
#include "sim/sample_image.h"
#include "tests/support/raw_port.h"

namespace mv4700 {
namespace {

QByteArray hex(const char* text) {
  return QByteArray::fromHex(text);
}

using testing::RawPort;

// Erases the program of a reader whose port runs at `programBaud` and takes
// its loader through the update command and the speed change, as the tool does.
void enterLoaderAt57600(RawPort& port, int programBaud) {
  port.send(QByteArray(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size()));
  if (programBaud != 9600) {
    // The tool pauses before it changes speed; the reader judges the speed
    // of bytes when it reads them.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port.setBaud(9600);
  }
  ASSERT_EQ(port.receive(1, 2000), hex("FA"));
  port.send(hex("1BA802"));
  ASSERT_EQ(port.receive(1), hex("FA"));
  port.setBaud(57600);
  port.send(hex("FA"));
  ASSERT_EQ(port.receive(1), hex("FA"));
}

// A reader served on a thread of its own, with a short boot for its loader.
struct ServedReader {
  ReaderOnPty served;

  ServedReader(ReaderModel::Kind kind, int baud, bool wireTime = false) : served(kind, baud) {
    served.reader().setRebootSeconds(0.05);
    served.server().setWireTime(wireTime);
    QString error;
    EXPECT_TRUE(served.start(&error)) << error.toStdString();
  }
  QString path() const { return served.path(); }
  ReaderModel& reader() { return served.reader(); }
  void say(const char* command) { served.say(command); }
};

struct LineCase {
  ReaderModel::Kind kind;
  int readerBaud;
  bool wireTime;
};

class PtyReader : public ::testing::TestWithParam<LineCase> {};

TEST_P(PtyReader, AnswersAtItsSpeedOnlyAndAcrossReopening) {
  const LineCase c = GetParam();
  ServedReader served(c.kind, c.readerBaud, c.wireTime);
  const QByteArray model = c.kind == ReaderModel::Kind::New ? "4700I01" : "TQ-4700";
  for (int baud : {9600, 19200, 57600, 115200}) {
    RawPort port(served.path(), baud);
    port.send(hex("1B00"));
    const QByteArray got = port.receive(10, baud == c.readerBaud ? 1000 : 150);
    EXPECT_EQ(got, baud == c.readerBaud ? hex("1B0007") + model : QByteArray()) << baud;
  }
  // The tool closed and reopened the port: the line still works.
  RawPort port(served.path(), c.readerBaud);
  port.send(hex("1B1C00101F"));
  EXPECT_EQ(port.receive(36).left(5), hex("1B1C00101F"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, PtyReader,
                         ::testing::Values(LineCase{ReaderModel::Kind::New, 19200, false},
                                           LineCase{ReaderModel::Kind::Old, 115200, false},
                                           LineCase{ReaderModel::Kind::New, 9600, true}));

// At wire time a reader of the line gets the bytes one by one, as a UART
// hands them over: byte k of the reply is in 5 + 1 + k byte times after the
// command left (1.04 ms each at 9600 baud), so the 36 bytes take 37.5 ms.
TEST(PtyReaderWireTime, AReplyComesInByteByByteOverItsWireTime) {
  using Steady = std::chrono::steady_clock;
  ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
  RawPort port(served.path(), 9600);
  const double byte = 10.0 / 9600;
  const Steady::time_point sent = Steady::now();
  port.send(hex("1B1C00101F"));
  QByteArray got;
  std::vector<double> in;  // when each byte was read
  int reads = 0;
  while (got.size() < 36) {
    const QByteArray more = port.receive(1, 500);
    if (more.isEmpty()) break;
    const double at = std::chrono::duration<double>(Steady::now() - sent).count();
    got += more;
    in.insert(in.end(), more.size(), at);
    ++reads;
  }
  ASSERT_EQ(got.size(), 36);
  EXPECT_EQ(got.left(5), hex("1B1C00101F"));
  // Never sooner than the wire allows; a loaded machine may make it later.
  for (int k = 0; k < 36; ++k) EXPECT_GE(in[k], (6 + k) * byte - 0.0003) << k;
  EXPECT_LT(in.back(), 41 * byte + 0.050);  // generous: a busy machine wakes late
  EXPECT_GT(reads, 18) << "the bytes came in lumps";
}

// At wire time an exchange never beats the wire, however fast the
// pseudo-terminal happens to be: a tool that answers every acknowledgement at
// once still needs three byte times a frame (two bytes out, one back), and a
// tool that thinks a millisecond before each answer pays it on every frame.
TEST(PtyReaderWireTime, FramesTakeTheWireAndTheToolsOwnTime) {
  using Steady = std::chrono::steady_clock;
  for (const double thinking : {0.0, 0.001}) {
    const int frames = thinking > 0 ? 100 : 400;
    ServedReader served(ReaderModel::Kind::New, 19200, /*wireTime=*/true);
    RawPort port(served.path(), 19200);
    ASSERT_NO_FATAL_FAILURE(enterLoaderAt57600(port, 19200));
    const Steady::time_point start = Steady::now();
    for (int k = 0; k < frames; ++k) {
      if (thinking > 0) std::this_thread::sleep_for(std::chrono::duration<double>(thinking));
      ASSERT_TRUE(port.send(hex("0055")));
      ASSERT_EQ(port.receive(1), hex("FA")) << k;
    }
    const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
    EXPECT_GE(seconds, frames * (30.0 / 57600 + thinking)) << thinking;
  }
}

// At wire time the emulator stays on the processor while bytes move, and
// goes back to sleep once the line is quiet.
TEST(PtyReaderWireTime, SleepsOnceTheLineIsQuiet) {
  ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
  RawPort port(served.path(), 9600);
  port.send(hex("1B00"));
  ASSERT_EQ(port.receive(10).size(), 10);
  clockid_t serverClock;
  ASSERT_EQ(::pthread_getcpuclockid(served.served.serverThread(), &serverClock), 0);
  const auto cpuSeconds = [serverClock] {
    timespec t{};
    ::clock_gettime(serverClock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
  };
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const double before = cpuSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(cpuSeconds() - before, 0.01);
}

// The faults of real lines and loaders, switched by the lines mv4700-sim
// takes on its standard input.
TEST(PtyReaderFaults, LineAndLoaderFaultsReachThePort) {
  using Steady = std::chrono::steady_clock;
  const QByteArray identify = hex("1B0007") + "4700I01";
  {
    // At the wrong speed the port gets what its UART makes of the bytes.
    ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
    RawPort port(served.path(), 19200);
    served.say("touch\n");
    EXPECT_TRUE(port.receive(1, 150).isEmpty());
    served.say("wrong-speed-garbage\ntouch\n");
    const QByteArray garbage = port.receive(40, 150);
    EXPECT_FALSE(garbage.isEmpty());
    EXPECT_FALSE(garbage.contains("2C00000A1B3D4E01"));
  }
  {
    ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
    RawPort port(served.path(), 9600);
    served.say("leading 00FF\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(port.send(hex("1B00")));
    EXPECT_EQ(port.receive(12), hex("00FF") + identify);
    served.say("leading off\nbit-errors 1:4\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(port.send(hex("1B00")));
    EXPECT_TRUE(port.receive(10, 150).isEmpty()) << "the reader heard a flipped command";
    served.say("bit-errors off\ndrop 1\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(port.send(hex("1B00")));
    EXPECT_TRUE(port.receive(10, 150).isEmpty());
    served.say("drop off\npower-glitch\nunplug\nreplug\n");
    EXPECT_EQ(port.receive(1), QByteArray(1, '\0'));
  }
  {
    // Bytes in 16 ms packets: the reply, 12.5 ms on the wire, comes at once
    // and no sooner than the packet's time after its first byte.
    ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
    RawPort port(served.path(), 9600);
    served.say("adapter-latency 16\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Steady::time_point sent = Steady::now();
    ASSERT_TRUE(port.send(hex("1B00")));
    const QByteArray first = port.receive(1, 500);
    const double took = std::chrono::duration<double>(Steady::now() - sent).count();
    EXPECT_GE(took, 3 * 10.0 / 9600 + 0.016);
    EXPECT_EQ(first + port.receive(9 - first.size() + 1, 50), identify);
  }
  {
    // A loader with no program behind it greets every 100 ms until it
    // hears the host, then waits for its update command.
    ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
    RawPort port(served.path(), 9600);
    served.say("loader-greeting repeat\nstart-in-loader\n");
    EXPECT_EQ(port.receive(3, 300), hex("FAFAFA"));
    ASSERT_TRUE(port.send(hex("1BA802")));
    EXPECT_EQ(port.receive(1), hex("FA"));
    EXPECT_TRUE(port.receive(1, 300).isEmpty());
  }
}

// A hang-up while a reply is on the wire loses the rest of it; the new port
// after the replug serves as before.
TEST(PtyReaderFaults, AHangupMidReplyLeavesTheLineSound) {
  ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
  {
    RawPort port(served.path(), 9600);
    ASSERT_TRUE(port.send(hex("1B1C00101F")));
    EXPECT_FALSE(port.receive(5, 300).isEmpty());
    served.say("hangup\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    served.say("replug\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  RawPort port(served.path(), 9600);
  ASSERT_TRUE(port.isOpen());
  ASSERT_TRUE(port.send(hex("1B00")));
  EXPECT_EQ(port.receive(10), hex("1B0007") + "4700I01");
}

// A pulled adapter's path is gone, and no pair made while the line lives
// gets its number: a tool that opens the old path again never reaches
// another line.
TEST(PtyReaderFaults, AHungUpPortsNumberStaysTakenWhileTheLineLives) {
  ServedReader served(ReaderModel::Kind::New, 9600);
  const QString pulled = served.path();
  served.say("hangup\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(QFileInfo::exists(pulled));
  const int other = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  EXPECT_NE(QString::fromLocal8Bit(::ptsname(other)), pulled);
  ::close(other);
  served.say("replug\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_NE(served.path(), pulled);
  EXPECT_FALSE(QFileInfo::exists(pulled));
}

// Making a server changes nothing of the thread that makes it.
TEST(PtyReaderFaults, AServerLeavesItsMakersTimerSlackAlone) {
  const int before = ::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
  {
    ServedReader served(ReaderModel::Kind::New, 9600, /*wireTime=*/true);
    EXPECT_EQ(::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), before);
  }
  EXPECT_EQ(::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), before);
}

TEST(PtyReaderButton, TouchAndRemoveSendTheSetText) {
  ServedReader served(ReaderModel::Kind::New, 9600);
  served.reader().setButtonId(0x0123456789ABCDEFull);
  served.reader().settings().setText(ReaderSettings::kOnRemoveLength, "-");
  RawPort port(served.path(), 9600);
  served.say("touch\n");
  EXPECT_EQ(port.receive(18), QByteArray("0123456789ABCDEF\r\n"));
  served.say("remo");
  served.say("ve\n");
  EXPECT_EQ(port.receive(1), QByteArray("-"));
}

TEST(PtyReaderLoader, TakesAProgramAcrossTheSpeedChanges) {
  ServedReader served(ReaderModel::Kind::New, 19200);
  const QByteArray image = makeSampleImage(90, "PTY V1");
  RawPort port(served.path(), 19200);
  ASSERT_NO_FATAL_FAILURE(enterLoaderAt57600(port, 19200));
  for (char byte : image) {
    port.send(QByteArray(1, byte) + hex("55"));
    ASSERT_EQ(port.receive(1), hex("FA"));
  }
  port.send(hex("FFAA"));
  EXPECT_EQ(port.receive(1), hex("FA"));
  port.setBaud(19200);
  port.send(hex("1B01"));
  EXPECT_EQ(port.receive(9), hex("1B0106") + "PTY V1");
}

#ifdef MV4700_SIM_PROGRAM
TEST(PtyProgram, PrintsThePortFirstAndServesUntilInputEnds) {
  QProcess sim;
  sim.start(MV4700_SIM_PROGRAM, {"--model", "old", "--baud", "57600", "--id", "00000000DEADBEEF",
                                 "--version", "OLD 1.0"});
  ASSERT_TRUE(sim.waitForStarted());
  ASSERT_TRUE(sim.waitForReadyRead(5000));
  const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
  {
    RawPort port(path, 57600);
    port.send(hex("1B01"));
    EXPECT_EQ(port.receive(10), hex("1B0107") + "OLD 1.0");
    sim.write("touch\n");
    sim.waitForBytesWritten();
    EXPECT_EQ(port.receive(18), QByteArray("00000000DEADBEEF\r\n"));
  }
  sim.closeWriteChannel();
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 0);
}

// The reader's faults as options at start and as lines on standard input.
TEST(PtyProgram, TakesItsFaultsAtStartAndOnStandardInput) {
  QProcess sim;
  sim.start(MV4700_SIM_PROGRAM, {"--model", "new", "--noisy", "--boot-seconds", "0.05"});
  ASSERT_TRUE(sim.waitForStarted());
  ASSERT_TRUE(sim.waitForReadyRead(5000));
  const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
  const QByteArray identify = hex("1B0007") + "4700I01";
  QByteArray inverted = identify;
  for (char& b : inverted) b = static_cast<char>(~b);
  const auto say = [&sim](const char* line) {
    sim.write(line);
    sim.waitForBytesWritten();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  };
  RawPort port(path, 9600);
  const auto ask = [&port] {
    port.send(hex("1B00"));
    return port.receive(12, 200);
  };
  EXPECT_EQ(ask(), inverted);
  say("noisy off\n");
  EXPECT_EQ(ask(), identify);
  say("extra 5AA5\n");
  EXPECT_EQ(ask(), identify + hex("5AA5"));
  say("extra off\nsilent\n");
  EXPECT_TRUE(ask().isEmpty());
  say("silent off\nwrong-identify on\n");
  EXPECT_EQ(ask(), hex("1B0007") + "4800I01");
  // A refused line changes nothing.
  say("wrong-identify off\nloader-refuse two\n");
  EXPECT_EQ(ask(), identify);

  // The loader refuses its third frame, and the short boot set at start holds.
  say("loader-refuse 2:07\n");
  ASSERT_NO_FATAL_FAILURE(enterLoaderAt57600(port, 9600));
  QByteArray answers;
  for (int k = 0; k < 3; ++k) {
    port.send(hex("0055"));
    answers += port.receive(1);
  }
  EXPECT_EQ(answers, hex("FAFA07"));
  sim.closeWriteChannel();
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_TRUE(sim.readAllStandardError().contains("loader-refuse"));
}

// Several readers, each on its own port with its own settings; a control
// line goes to the reader it names.
TEST(PtyProgram, ServesSeveralReadersEachOnItsOwnPort) {
  QProcess sim;
  sim.start(MV4700_SIM_PROGRAM, {"--readers", "3", "--baud", "9600,19200,57600", "--version",
                                 "A 1,B 2,C 3", "--id", "00000000000000AA"});
  ASSERT_TRUE(sim.waitForStarted());
  QStringList paths;
  while (paths.size() < 3 && (sim.canReadLine() || sim.waitForReadyRead(5000)))
    paths << QString::fromLocal8Bit(sim.readLine()).trimmed();
  ASSERT_EQ(paths.size(), 3);
  const int speeds[] = {9600, 19200, 57600};
  for (int k = 0; k < 3; ++k) {
    RawPort port(paths[k], speeds[k]);
    ASSERT_TRUE(port.send(hex("1B01")));
    EXPECT_EQ(port.receive(6).mid(3), QByteArray(1, "ABC"[k]) + ' ' + char('1' + k)) << k;
  }
  RawPort first(paths[0], 9600), second(paths[1], 19200);
  sim.write("2 touch\n");
  ASSERT_TRUE(sim.waitForBytesWritten(1000));
  EXPECT_EQ(second.receive(18), QByteArray("00000000000000AA\r\n"));
  EXPECT_TRUE(first.receive(1, 100).isEmpty());
  sim.write("3 hangup\n3 replug\n9 touch\n");
  ASSERT_TRUE(sim.waitForBytesWritten(1000));
  ASSERT_TRUE(sim.canReadLine() || sim.waitForReadyRead(5000));
  EXPECT_TRUE(sim.readLine().startsWith("3 /dev/"));
  sim.closeWriteChannel();
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_TRUE(sim.readAllStandardError().contains("no reader 9"));
  // A list that does not name every reader is refused.
  EXPECT_EQ(QProcess::execute(MV4700_SIM_PROGRAM, {"--readers", "2", "--baud", "9600,19200,57600"}),
            2);
}

// A port nobody reads fills up; the emulator drops what does not fit and
// still takes "quit" at once.
TEST(PtyProgram, QuitsAtOnceThoughNobodyReadsThePort) {
  QProcess sim;
  sim.start(MV4700_SIM_PROGRAM, {"--model", "new"});
  ASSERT_TRUE(sim.waitForStarted());
  ASSERT_TRUE(sim.waitForReadyRead(5000));
  for (int k = 0; k < 3000; ++k) sim.write("touch\n");
  sim.write("quit\n");
  ASSERT_TRUE(sim.waitForBytesWritten(5000));
  EXPECT_TRUE(sim.waitForFinished(3000));
  EXPECT_EQ(sim.exitCode(), 0);
}

// Every switch is in the help, with what it takes.
TEST(PtyProgram, ItsHelpNamesEverySwitch) {
  QProcess sim;
  sim.start(MV4700_SIM_PROGRAM, {"--help"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  const QString help = QString::fromLocal8Bit(sim.readAllStandardOutput());
  for (const FaultSwitch& f : readerFaultSwitches() + lineFaultSwitches()) {
    EXPECT_TRUE(help.contains("--" + f.name)) << f.name.toStdString();
    EXPECT_TRUE(help.contains("  " + f.name + u' ')) << f.name.toStdString();
  }
}

TEST(PtyProgram, WritesASampleImage) {
  QTemporaryDir dir;
  const QString file = dir.filePath("sample.bin");
  EXPECT_EQ(QProcess::execute(MV4700_SIM_PROGRAM,
                              {"--make-image", file, "--length", "4096", "--version", "V9.9"}),
            0);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray image = f.readAll();
  ASSERT_EQ(image.size(), 4096);
  EXPECT_EQ(imageVersionText(image), "V9.9");
  const int marker = ((std::uint8_t(image[36]) << 8) | std::uint8_t(image[37])) - kImageBase;
  EXPECT_EQ(image.mid(marker, 6), "4700IV");
  EXPECT_NE(QProcess::execute(MV4700_SIM_PROGRAM,
                              {"--make-image", file, "--length", "40", "--version", "V9.9"}),
            0);
  // Without a length the image is as long as a loader takes.
  EXPECT_EQ(QProcess::execute(MV4700_SIM_PROGRAM, {"--make-image", file, "--version", "V9.9"}), 0);
  EXPECT_EQ(QFileInfo(file).size(), 32767);
  // Only the file is needed; the image's version text is then not the
  // emulator's own, so that a flash of it shows.
  ASSERT_EQ(QProcess::execute(MV4700_SIM_PROGRAM, {"--make-image", file}), 0);
  QFile bare(file);
  ASSERT_TRUE(bare.open(QIODevice::ReadOnly));
  const QByteArray sample = bare.readAll();
  EXPECT_EQ(sample.size(), 32767);
  EXPECT_FALSE(imageVersionText(sample).isEmpty());
  SteadyClock clock;
  EXPECT_NE(imageVersionText(sample), ReaderModel(ReaderModel::Kind::New, clock).versionText());
}
#endif

}  // namespace
}  // namespace mv4700
