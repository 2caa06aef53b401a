#include "sim/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "seams/clock.h"
#include "sim/awake_wait.h"

namespace mv4700 {

int baudOfSpeed(unsigned speed) {
  switch (speed) {
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    case B230400:
      return 230400;
    default:
      return -1;
  }
}

PtyLine::~PtyLine() {
  hangUp();
}

void PtyLine::hangUp() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
  slavePath_.clear();
}

bool PtyLine::open(QString* error) {
  hangUp();
  const auto fail = [&](const char* what) {
    if (error) *error = QStringLiteral("%1: %2").arg(what, std::strerror(errno));
    hangUp();
    return false;
  };
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) return fail("posix_openpt");
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return fail("unlockpt");
  const char* name = ::ptsname(master_);
  if (!name) return fail("ptsname");
  slavePath_ = QString::fromLocal8Bit(name);
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return fail("open slave");
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return fail("tcgetattr");
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, B9600);
  ::cfsetospeed(&t, B9600);
  if (::tcsetattr(slave_, TCSANOW, &t) != 0) return fail("tcsetattr");
  measureDelivery();
  return true;
}

namespace {

double quantile(std::vector<double> seconds, double share) {
  std::sort(seconds.begin(), seconds.end());
  return seconds[static_cast<std::size_t>(share * static_cast<double>(seconds.size() - 1))];
}

}  // namespace

void PtyLine::measureDelivery() {
  // A helper stands in for the tool: asleep in poll() as a tool waits for an
  // acknowledgement, it wakes for each byte and sends it back at once. We
  // stand in for the emulator in a transfer, on the processor throughout,
  // with a frame's idle at 57600 baud between the bytes.
  constexpr int kRounds = 64;
  constexpr double kFrameIdle = 430e-6;
  SteadyClock clock;
  std::atomic<double> sentAt{0};
  std::vector<double> toTool, roundTrips;
  std::thread echo([&, slave = slave_] {
    for (int i = 0; i < kRounds; ++i) {
      pollfd in{slave, POLLIN, 0};
      char got = 0;
      if (::poll(&in, 1, 200) != 1) return;
      toTool.push_back(clock.seconds() - sentAt.load());
      if (::read(slave, &got, 1) != 1 || ::write(slave, &got, 1) != 1) return;
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    pollfd in{master_, POLLIN, 0};
    if (pollAwake(&in, 1, clock, clock.seconds() + kFrameIdle) != 0) break;
    const char byte = 0;
    const double start = clock.seconds();
    sentAt = start;
    char got = 0;
    if (::write(master_, &byte, 1) != 1 || pollAwake(&in, 1, clock, start + 0.2) != 1 ||
        ::read(master_, &got, 1) != 1)
      break;
    roundTrips.push_back(clock.seconds() - start);
  }
  echo.join();
  if (toTool.empty() || roundTrips.empty()) {
    delivery_ = {};
    return;
  }
  delivery_.toTool = quantile(toTool, 0.1);
  delivery_.roundTrip = quantile(roundTrips, 0.5);
}

int PtyLine::lineBaud() const {
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return -1;
  // A second stop bit only looks like idle line to the reader's UART.
  const bool eightNoParity = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & PARENB);
  return eightNoParity ? baudOfSpeed(::cfgetospeed(&t)) : -1;
}

}  // namespace mv4700
