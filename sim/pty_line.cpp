#include "sim/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

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

using Steady = std::chrono::steady_clock;

double since(Steady::time_point start) {
  return std::chrono::duration<double>(Steady::now() - start).count();
}

}  // namespace

void PtyLine::measureDelivery() {
  // A helper stands in for the tool: it idles as a tool does between the
  // frames of a transfer, wakes for each byte and echoes it. Waking from idle
  // is most of the cost. A low share of the half round trips: a tool that
  // wakes faster would get bytes sooner than the wire brings them.
  constexpr int kRounds = 41;
  std::thread echo([slave = slave_] {
    for (int i = 0; i < kRounds; ++i) {
      pollfd in{slave, POLLIN, 0};
      char got = 0;
      if (::poll(&in, 1, 200) != 1 || ::read(slave, &got, 1) != 1 || ::write(slave, &got, 1) != 1)
        return;
    }
  });
  std::vector<double> halfTrips;
  for (int i = 0; i < kRounds; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    const Steady::time_point start = Steady::now();
    const char byte = 0;
    pollfd in{master_, POLLIN, 0};
    char got = 0;
    if (::write(master_, &byte, 1) != 1 || ::poll(&in, 1, 200) != 1 ||
        ::read(master_, &got, 1) != 1)
      break;
    halfTrips.push_back(since(start) / 2);
  }
  echo.join();
  if (halfTrips.empty()) return;
  std::sort(halfTrips.begin(), halfTrips.end());
  delivery_ = halfTrips[halfTrips.size() / 4];
}

int PtyLine::lineBaud() const {
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return -1;
  // A second stop bit only looks like idle line to the reader's UART.
  const bool eightNoParity = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & PARENB);
  return eightNoParity ? baudOfSpeed(::cfgetospeed(&t)) : -1;
}

}  // namespace mv4700
