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

void PtyLine::measureDelivery() {
  using Steady = std::chrono::steady_clock;
  std::vector<double> samples;
  const char byte = 0;
  for (int i = 0; i < 41; ++i) {
    // Alternate directions: the tool's writes and ours cost alike.
    const int from = i % 2 ? slave_ : master_;
    const int to = i % 2 ? master_ : slave_;
    const Steady::time_point start = Steady::now();
    if (::write(from, &byte, 1) != 1) break;
    pollfd in{to, POLLIN, 0};
    char got = 0;
    if (::poll(&in, 1, 100) != 1 || ::read(to, &got, 1) != 1) break;
    samples.push_back(std::chrono::duration<double>(Steady::now() - start).count());
  }
  if (samples.empty()) return;
  std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
  delivery_ = samples[samples.size() / 2];
}

int PtyLine::lineBaud() const {
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return -1;
  // A second stop bit only looks like idle line to the reader's UART.
  const bool eightNoParity = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & PARENB);
  return eightNoParity ? baudOfSpeed(::cfgetospeed(&t)) : -1;
}

}  // namespace mv4700
