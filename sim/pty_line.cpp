#include "sim/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
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
  for (int fd : pulledSlaves_) ::close(fd);
}

void PtyLine::hangUp() {
  if (master_ >= 0) ::close(master_);
  // Our slave descriptor keeps the pair's number taken: the path is gone
  // with the master, but a tool that opens it again by name must not reach
  // a pair made since for another line.
  if (slave_ >= 0) pulledSlaves_.push_back(slave_);
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
  // With EXTPROC on the slave, every change the tool makes to its settings
  // wakes us in packet mode, so a speed change is seen when it happens.
  t.c_lflag |= EXTPROC;
  if (::tcsetattr(slave_, TCSANOW, &t) != 0) return fail("tcsetattr");
  measureDelivery();
  int packetMode = 1;
  if (::ioctl(master_, TIOCPKT, &packetMode) != 0) return fail("TIOCPKT");
  char drain[256];
  while (::read(master_, drain, sizeof drain) > 0) {
  }
  return true;
}

namespace {

double monotonicSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// In a child process: writes the moment of each write into the port, every
// millisecond, until the parent has had enough. Holds no descriptor but the
// line's, so that nothing of the parent's stays open because of it.
[[noreturn]] void stampWrites(int fd, int count) {
  ::close_range(3, static_cast<unsigned>(fd) - 1, 0);
  ::close_range(static_cast<unsigned>(fd) + 1, ~0U, 0);
  for (int i = 0; i < count; ++i) {
    const timespec pause{0, 1'000'000};
    ::nanosleep(&pause, nullptr);
    const double at = monotonicSeconds();
    if (::write(fd, &at, sizeof at) != sizeof at) break;
  }
  ::_exit(0);
}

}  // namespace

void PtyLine::measureDelivery() {
  // The writer is another process, as the tool is; this end sleeps in
  // poll() as the server does between bytes.
  constexpr int kRounds = 64;
  delivery_ = 0;
  const pid_t writer = ::fork();
  if (writer < 0) return;
  if (writer == 0) stampWrites(slave_, kRounds);
  std::vector<double> delays;
  while (static_cast<int>(delays.size()) < kRounds) {
    pollfd in{master_, POLLIN, 0};
    if (::poll(&in, 1, 200) != 1) break;
    const double now = monotonicSeconds();
    double at = 0;
    if (::read(master_, &at, sizeof at) != sizeof at) break;
    delays.push_back(now - at);
  }
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);
  // Whatever the writer left unread is not the tool's.
  char drain[256];
  while (::read(master_, drain, sizeof drain) > 0) {
  }
  if (delays.size() < kRounds / 2) return;  // no figure: credit nothing
  std::sort(delays.begin(), delays.end());
  // On a quiet machine this is 10 to 25 us. A figure far above that measured
  // the scheduler of a busy machine, not the pseudo-terminal, and crediting
  // it would hand replies sooner than the wire: so it is capped.
  constexpr double kMostDelivery = 50e-6;
  delivery_ = std::clamp(delays[delays.size() / 20], 0.0, kMostDelivery);
}

int PtyLine::lineBaud() const {
  termios t{};
  if (::tcgetattr(slave_, &t) != 0) return -1;
  // A second stop bit only looks like idle line to the reader's UART.
  const bool eightNoParity = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & PARENB);
  return eightNoParity ? baudOfSpeed(::cfgetospeed(&t)) : -1;
}

}  // namespace mv4700
