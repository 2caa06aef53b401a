#include "sim/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <numeric>
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
  measureRoundTrip();
  return true;
}

namespace {

// In a child process: sends each byte back as soon as it is in, asleep in
// poll() in between. Holds no descriptor but the line's, so that nothing of
// the parent's stays open because of it.
[[noreturn]] void echoEachByte(int fd) {
  ::close_range(3, static_cast<unsigned>(fd) - 1, 0);
  ::close_range(static_cast<unsigned>(fd) + 1, ~0U, 0);
  for (;;) {
    pollfd in{fd, POLLIN, 0};
    char byte = 0;
    if (::poll(&in, 1, 200) != 1 || ::read(fd, &byte, 1) != 1 || ::write(fd, &byte, 1) != 1)
      ::_exit(0);
  }
}

}  // namespace

void PtyLine::measureRoundTrip() {
  // The far end is another process, as the tool is, asleep between bytes;
  // this end stays on the processor as the emulator does while a line is
  // busy, with a frame's idle at 57600 baud before each byte.
  constexpr int kRounds = 64;
  constexpr double kFrameIdle = 430e-6;
  roundTrip_ = 0;
  const pid_t echo = ::fork();
  if (echo < 0) return;
  if (echo == 0) echoEachByte(slave_);
  SteadyClock clock;
  std::vector<double> trips;
  for (int i = 0; i < kRounds; ++i) {
    pollfd in{master_, POLLIN, 0};
    if (pollAwake(&in, 1, clock, clock.seconds() + kFrameIdle) != 0) break;
    const char byte = 0;
    char got = 0;
    const double start = clock.seconds();
    if (::write(master_, &byte, 1) != 1 || pollAwake(&in, 1, clock, start + 0.2) != 1 ||
        ::read(master_, &got, 1) != 1)
      break;
    trips.push_back(clock.seconds() - start);
  }
  ::kill(echo, SIGKILL);
  ::waitpid(echo, nullptr, 0);
  if (trips.empty()) return;
  // The mean, without the slowest tenth: a stall of the host now and then is
  // not what every exchange costs.
  std::sort(trips.begin(), trips.end());
  const std::size_t kept = trips.size() - trips.size() / 10;
  roundTrip_ = std::accumulate(trips.begin(), trips.begin() + kept, 0.0) / kept;
}

int PtyLine::lineBaud() const {
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return -1;
  // A second stop bit only looks like idle line to the reader's UART.
  const bool eightNoParity = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & PARENB);
  return eightNoParity ? baudOfSpeed(::cfgetospeed(&t)) : -1;
}

}  // namespace mv4700
