#include "link/serial_qt.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/serial.h>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <ctime>

#include "link/serial_failures.h"
#include "tests/link/core_application.h"

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace mv4700 {
namespace {

// A pseudo-terminal; the service opens its slave side as a COM port, the test
// plays the device on the master side.
class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ::grantpt(master_);
    ::unlockpt(master_);
    slave_ = QString::fromLocal8Bit(::ptsname(master_));
    // Holding the slave open keeps the master readable while the port closes.
    holder_ = ::open(slave_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    // A device line never echoes.
    termios raw{};
    ::tcgetattr(holder_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(holder_, TCSANOW, &raw);
  }
  ~Pty() {
    closeMaster();
    if (holder_ >= 0) ::close(holder_);
  }
  const QString& slave() const { return slave_; }
  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  speed_t speed() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return ::cfgetospeed(&t);
  }
  void send(const QByteArray& bytes) {
    ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size());
  }
  QByteArray receive(int count) {
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < count && timer.elapsed() < 2000) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char buf[256];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) got.append(buf, n);
    }
    return got;
  }

 private:
  int master_ = -1;
  int holder_ = -1;
  QString slave_;
};

void waitForCount(QtSerialService& port, int n) {
  QElapsedTimer timer;
  timer.start();
  while (port.inBufferCount() < n && timer.elapsed() < 2000) {
  }
}

class QtSerialServiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::ensureCoreApplication(); }
  void SetUp() override { qputenv("MV4700_COM_PORTS", ("," + pty.slave()).toLocal8Bit()); }
  void TearDown() override { qunsetenv("MV4700_COM_PORTS"); }
  void openSlot2(const QString& settings = "9600,n,8,1") {
    port.setCommPort(2);
    port.setSettings(settings);
    port.setInputMode(1);
    port.setPortOpen(true);
    ASSERT_TRUE(port.portOpen()) << "error " << port.lastError();
  }

  Pty pty;
  QtSerialService port;
};

TEST_F(QtSerialServiceTest, OpensTheListedSlotThroughALinkAtTheSettingsBaud) {
  QTemporaryDir dir;
  const QString link = dir.filePath("by-id-reader");
  ASSERT_TRUE(QFile::link(pty.slave(), link));
  qputenv("MV4700_COM_PORTS", (",," + link).toLocal8Bit());

  port.setCommPort(3);
  port.setSettings("57600,n,8,1");
  port.setPortOpen(true);
  ASSERT_TRUE(port.portOpen()) << "error " << port.lastError();
  EXPECT_EQ(port.openPath(), pty.slave());
  EXPECT_EQ(pty.speed(), B57600);

  port.setSettings("115200,n,8,1");
  EXPECT_EQ(pty.speed(), B115200);
  EXPECT_EQ(port.lastError(), 0);
}

TEST_F(QtSerialServiceTest, BytesGoBothWaysWhilePollingWithoutAnEventLoop) {
  pty.send("stale");
  openSlot2();
  EXPECT_EQ(port.inBufferCount(), 0) << "bytes from before the open are dropped";

  port.output(QByteArray("\x1B\x00", 2));
  EXPECT_EQ(pty.receive(2), QByteArray("\x1B\x00", 2));

  pty.send("0123456789");
  waitForCount(port, 10);
  EXPECT_EQ(port.inBufferCount(), 10);
  EXPECT_EQ(port.input(), "0123456789");
  EXPECT_EQ(port.inBufferCount(), 0);
  EXPECT_EQ(port.input(), "");

  pty.send("xyz");
  waitForCount(port, 3);
  port.clearInBuffer();
  EXPECT_EQ(port.inBufferCount(), 0);
  EXPECT_EQ(port.lastError(), 0);
}

TEST_F(QtSerialServiceTest, ReceiveHandlerRunsInTheEventLoopAndKeepsTheOrder) {
  openSlot2();
  QByteArray received;
  port.setReceiveHandler([&] { received += port.input(); });
  const auto runEventLoopFor = [&](int size) {
    QElapsedTimer timer;
    timer.start();
    while (received.size() < size && timer.elapsed() < 2000) QCoreApplication::processEvents();
  };

  pty.send("AB");
  runEventLoopFor(2);
  EXPECT_EQ(received, "AB");

  // Counted by a busy wait first, then announced by the event loop: still in order.
  pty.send("CD");
  waitForCount(port, 2);
  pty.send("EF");
  runEventLoopFor(6);
  EXPECT_EQ(received, "ABCDEF");
  EXPECT_EQ(port.lastError(), 0);
}

TEST_F(QtSerialServiceTest, FailuresLeaveTheirNumberAndNeverThrow) {
  port.setCommPort(1);  // the empty first entry
  port.setPortOpen(true);
  EXPECT_FALSE(port.portOpen());
  EXPECT_EQ(port.lastError(), serial_failure::kDeviceNotFound);

  port.clearError();
  port.output("x");
  EXPECT_EQ(port.lastError(), serial_failure::kNotOpen);
  EXPECT_EQ(port.inBufferCount(), 0);

  qputenv("MV4700_COM_PORTS", "/dev/no-such-tty");
  port.clearError();
  port.setPortOpen(true);
  EXPECT_FALSE(port.portOpen());
  EXPECT_EQ(port.lastError(), serial_failure::kDeviceNotFound);

  port.clearError();
  port.setSettings("9600,x,8,1");
  qputenv("MV4700_COM_PORTS", pty.slave().toLocal8Bit());
  port.setPortOpen(true);
  EXPECT_FALSE(port.portOpen());
  EXPECT_EQ(port.lastError(), serial_failure::kUnsupported);
}

TEST_F(QtSerialServiceTest, APortInUseIsRefused) {
  openSlot2();
  QtSerialService second;
  second.setCommPort(2);
  second.setPortOpen(true);
  EXPECT_FALSE(second.portOpen());
  EXPECT_NE(second.lastError(), 0);
  EXPECT_TRUE(second.lastOpenDenied().isEmpty()) << "a lock is not a permission problem";

  port.output("still mine");
  EXPECT_EQ(pty.receive(10), "still mine");
}

TEST_F(QtSerialServiceTest, AVanishedDeviceIsAResourceError) {
  openSlot2();
  pty.closeMaster();
  EXPECT_EQ(port.inBufferCount(), 0);
  EXPECT_EQ(port.lastError(), serial_failure::kLineLost);
  port.clearError();
  port.output("x");
  EXPECT_EQ(port.lastError(), serial_failure::kLineLost);
  port.setPortOpen(false);
  EXPECT_FALSE(port.portOpen());
}

// Processor seconds this process has used.
double processorSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs the event loop for `ms` milliseconds, sleeping while nothing happens.
void runEventLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

TEST_F(QtSerialServiceTest, AHungUpLineIsClosedOnceWithoutSpinning) {
  openSlot2();
  QByteArray received;
  int lost = 0;
  port.setReceiveHandler([&] { received += port.input(); });
  port.setLineLostHandler([&] {
    ++lost;
    EXPECT_FALSE(port.portOpen()) << "closed before the handler runs";
  });
  pty.send("AB");
  runEventLoop(100);
  EXPECT_EQ(received, "AB");

  pty.closeMaster();
  const double before = processorSeconds();
  runEventLoop(500);
  const double used = processorSeconds() - before;
  EXPECT_EQ(lost, 1);
  EXPECT_FALSE(port.portOpen());
  EXPECT_EQ(port.lastError(), serial_failure::kLineLost);
  // A port left open on a hung-up line keeps the event loop busy all the time.
  EXPECT_LT(used, 0.2) << "processor seconds in half a second";
}

// The driver's flags word as a fake driver keeps it.
struct FakeDriverFlags final : DriverSerialFlags {
  std::optional<int> flags;
  int writes = 0;
  std::optional<int> read(int) override { return flags; }
  void write(int, int value) override {
    ++writes;
    flags = value;
  }
};

TEST_F(QtSerialServiceTest, LowLatencyHoldsOnlyWhileThePortIsOpen) {
  constexpr int kOther = 0x0040;  // some other flag of the driver's
  struct Case {
    const char* name;
    std::optional<int> before;
    int whileOpen;
    int writes;
  } cases[] = {{"switched on, then back off", kOther, kOther | ASYNC_LOW_LATENCY, 2},
               {"already on stays on", kOther | ASYNC_LOW_LATENCY, kOther | ASYNC_LOW_LATENCY, 0},
               {"a driver without the flags", std::nullopt, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const bool destroyedOpen : {false, true}) {
      FakeDriverFlags driver;
      driver.flags = c.before;
      {
        QtSerialService owned(driver);
        owned.setCommPort(2);
        owned.setPortOpen(true);
        ASSERT_TRUE(owned.portOpen());
        EXPECT_EQ(driver.flags.value_or(0), c.whileOpen);
        if (!destroyedOpen) owned.setPortOpen(false);
      }
      EXPECT_EQ(driver.flags, c.before);
      EXPECT_EQ(driver.writes, c.writes);
    }
  }
}

}  // namespace
}  // namespace mv4700
