#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "sim/line_faults.h"
#include "sim/reader_faults.h"

namespace mv4700 {
namespace {

// Hands bytes to the tool's port. A port nobody reads fills up; what does
// not fit is lost, as bytes a host does not take from its UART are, and the
// server never waits on it.
void writeOrDrop(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  qsizetype size = bytes.size();
  while (size > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
    if (n > 0) {
      data += n;
      size -= n;
    } else if (!(n < 0 && errno == EINTR)) {
      return;
    }
  }
}

timespec monotonicIn(double seconds) {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const double whole = std::floor(seconds);
  long nanos = now.tv_nsec + static_cast<long>((seconds - whole) * 1e9);
  time_t secs = now.tv_sec + static_cast<time_t>(whole) + nanos / 1'000'000'000;
  return {secs, nanos % 1'000'000'000};
}

// Timers on this thread fire when asked, not up to 50 us later as the
// default slack allows; the old slack comes back when serving ends.
class TightTimers {
 public:
  TightTimers() : old_(::prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  }
  ~TightTimers() {
    if (old_ > 0) ::prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(old_), 0, 0, 0);
  }
  TightTimers(const TightTimers&) = delete;
  TightTimers& operator=(const TightTimers&) = delete;

 private:
  int old_;
};

}  // namespace

PtyServer::PtyServer(ReaderModel& reader, Clock& clock, PtyLine& line)
    : reader_(reader), clock_(clock), line_(line) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
  timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  setWireTime(false);
}

PtyServer::~PtyServer() {
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
  if (timer_ >= 0) ::close(timer_);
}

void PtyServer::setWireTime(bool on) {
  wireTime_ = on;
  wire_.setPaced(on);
}

double PtyServer::creditSeconds() const {
  return wireTime_ ? line_.deliverySeconds() : 0;
}

void PtyServer::stop() {
  const char byte = 'q';
  if (wake_[1] >= 0) [[maybe_unused]]
    auto n = ::write(wake_[1], &byte, 1);
}

void PtyServer::readTool() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(line_.masterFd(), buffer, sizeof buffer);
    if (n <= 0) return;  // EAGAIN, or EIO while no slave is open
    const double now = clock_.seconds();
    noticeToolSpeed(now);
    // A status packet: the tool changed its settings, or flushed.
    if (buffer[0] != TIOCPKT_DATA) continue;
    // The tool wrote the bytes a little before we read them: the
    // pseudo-terminal's least delivery time. Nothing it says in answer can
    // have left before the last byte it was given was in.
    toolSentAt_ = std::max(now - creditSeconds(), wire_.lastInAtTool());
    wire_.toolSends(QByteArray(buffer + 1, n - 1), toolSentAt_);
    // A short read emptied the line; saves a system call per frame.
    if (static_cast<size_t>(n) < sizeof buffer) return;
  }
}

void PtyServer::noticeToolSpeed(double now) {
  // A speed change seen now was made at least as early as the bytes read
  // with it count as sent, and after the bytes sent before it. Dated later,
  // an answer to those bytes would start before the change and miss the
  // port: a woken-late server would lose answers a wire delivers.
  wire_.toolSpeed(std::max(now - creditSeconds(), toolSentAt_), line_.lineBaud());
}

void PtyServer::advance(double now) {
  if (line_.isOpen()) noticeToolSpeed(now);
  for (const HeardByte& in : wire_.readerHears(now, [this] { return reader_.serialBaud(); }))
    reader_.receiveSerial(QByteArray(1, in.byte), in.framingError ? -1 : reader_.serialBaud(),
                          in.at);
  for (SerialBurst& burst : reader_.takeSerialOutput())
    if (line_.isOpen()) wire_.readerSends(burst.bytes, burst.baud, burst.sentAt + replyDelay_);
  const QByteArray handed = wire_.toolHears(now);
  if (!handed.isEmpty() && line_.isOpen()) writeOrDrop(line_.masterFd(), handed);
}

std::optional<double> PtyServer::nextDeadline() {
  std::optional<double> next = reader_.nextTimerAt();
  const std::optional<double> due = wire_.nextDue(reader_.serialBaud());
  if (due && (!next || *due < *next)) next = due;
  return next;
}

void PtyServer::takeTimer(const pollfd& timer) {
  std::uint64_t expirations = 0;
  if (timer.revents & POLLIN) [[maybe_unused]]
    auto n = ::read(timer_, &expirations, sizeof expirations);
}

bool PtyServer::waitFor(std::optional<double> deadline, pollfd* fds, int count) {
  // Sleeps on a timer to the deadline: a byte is handed over at its moment
  // or a little after, never before.
  int timeoutMs = -1;
  itimerspec timer{};  // zero: disarmed
  if (deadline) {
    const double sleep = *deadline - clock_.seconds();
    if (sleep <= 0)
      timeoutMs = 0;
    else
      timer.it_value = monotonicIn(sleep);
  }
  if (timer_ >= 0) ::timerfd_settime(timer_, TFD_TIMER_ABSTIME, &timer, nullptr);
  if (::poll(fds, count, timeoutMs) < 0 && errno != EINTR) return false;
  takeTimer(fds[count - 1]);
  return true;
}

void PtyServer::hangUp() {
  if (!line_.isOpen()) return;
  line_.hangUp();
  wire_.clear();
  if (lineWatcher_) lineWatcher_(QString());
}

void PtyServer::replug() {
  reader_.replug();
  if (line_.isOpen()) return;
  QString error;
  if (!line_.open(&error)) return;
  // What the reader said while no line was there went nowhere.
  reader_.takeSerialOutput();
  wire_.clear();
  if (lineWatcher_) lineWatcher_(line_.slavePath());
}

QString PtyServer::control(const QByteArray& line) {
  const QStringList words = QString::fromLatin1(line).simplified().split(u' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return {};
  const QString& name = words[0];
  const QString value = words.mid(1).join(u' ');
  const auto plain = [&](auto action) {
    if (!value.isEmpty()) return QStringLiteral("\"%1\" takes no value").arg(name);
    action();
    return QString();
  };
  if (name == u"quit") return plain([this] { quit_ = true; });
  if (name == u"touch") return plain([this] { reader_.touch(); });
  if (name == u"remove") return plain([this] { reader_.remove(); });
  if (name == u"unplug") return plain([this] { reader_.unplug(); });
  if (name == u"replug") return plain([this] { replug(); });
  if (name == u"hangup") return plain([this] { hangUp(); });
  if (name == u"reply-delay") {
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok || seconds < 0) return QStringLiteral("bad value for reply-delay: \"%1\"").arg(value);
    replyDelay_ = seconds;
    return {};
  }
  for (const FaultSwitch& fault : readerFaultSwitches())
    if (fault.name == name) return switchReaderFault(reader_, name, value);
  for (const FaultSwitch& fault : lineFaultSwitches())
    if (fault.name == name) return switchLineFault(wire_, name, value);
  return QStringLiteral("unknown command \"%1\"; see --help").arg(name);
}

bool PtyServer::handleControl(int controlFd) {
  char buffer[256];
  const ssize_t n = ::read(controlFd, buffer, sizeof buffer);
  if (n == 0) return false;
  if (n < 0) return errno == EAGAIN || errno == EINTR;
  controlText_.append(buffer, n);
  qsizetype end;
  while ((end = controlText_.indexOf('\n')) >= 0) {
    const QByteArray line = controlText_.left(end);
    controlText_.remove(0, end + 1);
    const QString refused = control(line);
    if (!refused.isEmpty()) std::fprintf(stderr, "mv4700-sim: %s\n", qPrintable(refused));
    if (quit_) return false;
  }
  return true;
}

int PtyServer::serve(int controlFd) {
  const TightTimers tight;
  quit_ = false;
  for (;;) {
    pollfd fds[4] = {{line_.masterFd(), POLLIN, 0},
                     {wake_[0], POLLIN, 0},
                     {controlFd, static_cast<short>(controlFd >= 0 ? POLLIN : 0), 0},
                     {timer_, POLLIN, 0}};
    if (!waitFor(nextDeadline(), fds, 4)) return 1;
    if (fds[1].revents) return 0;
    if (fds[0].revents & POLLIN) readTool();
    if (fds[2].revents & (POLLIN | POLLHUP) && !handleControl(controlFd)) return 0;
    advance(clock_.seconds());
  }
}

}  // namespace mv4700
