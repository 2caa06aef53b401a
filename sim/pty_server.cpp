#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "sim/awake_wait.h"
#include "sim/reader_faults.h"

namespace mv4700 {
namespace {

// The last stretch before a deadline is spun, not slept: waking from a
// timer costs tens of microseconds, a byte at 115200 baud lasts 87.
constexpr double kSpinSeconds = 100e-6;
// How long the emulator stays on the processor after a byte came or went.
// A transfer's exchanges follow each other well within it; a tool that
// thinks longer finds the emulator asleep.
constexpr double kBusySeconds = 2e-3;
// Bytes that come this soon after our last ones answer them...
constexpr double kAnswerWindowSeconds = 2e-3;
// ...and may use up to this much of what quicker exchanges saved.
constexpr double kSlackCapSeconds = 1e-3;

void writeAll(int fd, const char* data, qsizetype size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
    if (n > 0) {
      data += n;
      size -= n;
    } else if (n < 0 && errno == EAGAIN) {
      pollfd out{fd, POLLOUT, 0};
      ::poll(&out, 1, 100);
    } else if (!(n < 0 && errno == EINTR)) {
      return;  // nobody can hear the line any more
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

}  // namespace

PtyServer::PtyServer(ReaderModel& reader, Clock& clock, PtyLine& line)
    : reader_(reader), clock_(clock), line_(line) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
  timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  // Timers fire when asked, not up to 50 us later as the default slack allows.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
  setWireTime(false);
}

PtyServer::~PtyServer() {
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
  if (timer_ >= 0) ::close(timer_);
}

void PtyServer::setWireTime(bool on) {
  wireTime_ = on;
  toReader_.setPaced(on);
  fromReader_.setPaced(on);
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
    // The tool's port sent the bytes at the speed it runs at now. What the
    // pseudo-terminal usually costs an exchange, both ways, counts as spent
    // before we read them, so that exchanges run at the wire's pace; but
    // nothing the tool says leaves before the last byte it was given was in:
    // however quick the pseudo-terminal was this time, no exchange beats the
    // wire. The reader hears each byte at the moment it will be in; its
    // answers carry those moments, so nothing needs to wake for them.
    const double now = clock_.seconds();
    busyUntil_ = now + kBusySeconds;
    const double sentAt = creditedSendTime(now);
    toReader_.send(QByteArray(buffer, n), line_.lineBaud(), sentAt);
    while (!toReader_.empty()) {
      const WireByte in = toReader_.pop();
      reader_.receiveSerial(QByteArray(1, in.byte), in.baud, in.arrivesAt);
    }
    // A short read emptied the line; saves a system call per frame.
    if (static_cast<size_t>(n) < sizeof buffer) return;
  }
}

void PtyServer::advance(double now) {
  for (SerialBurst& burst : reader_.takeSerialOutput())
    if (line_.isOpen()) fromReader_.send(burst.bytes, burst.baud, burst.sentAt + replyDelay_);

  // Each byte must find the tool's port at its speed when it leaves and when
  // it is in; otherwise the tool's UART sees only a framing error. A byte
  // goes into the pseudo-terminal when it is in: the tool has it after that,
  // as a host has a byte after its UART.
  const int toolBaud = fromReader_.empty() ? -1 : line_.lineBaud();
  QByteArray heard;
  while (!fromReader_.empty() && fromReader_.front().sentAt <= now) {
    const WireByte& out = fromReader_.front();
    if (!frontJudged_) {
      frontJudged_ = true;
      frontHeard_ = out.baud == toolBaud;
    }
    if (out.arrivesAt > now) break;
    if (frontHeard_ && out.baud == toolBaud) {
      heard += out.byte;
      answerDue_ = out.arrivesAt;
    }
    fromReader_.pop();
    frontJudged_ = false;
  }
  if (!heard.isEmpty()) {
    writeAll(line_.masterFd(), heard.constData(), heard.size());
    busyUntil_ = clock_.seconds() + kBusySeconds;
  }
}

double PtyServer::creditedSendTime(double now) {
  const double usual = now - creditLead();
  if (usual < answerDue_) {
    // Quicker than usual: the tool cannot have sent before our byte was in.
    // Keep what the pseudo-terminal saved for an answer that comes slower.
    slack_ = std::min(kSlackCapSeconds, slack_ + (answerDue_ - usual));
    return answerDue_;
  }
  if (now - answerDue_ > kAnswerWindowSeconds) return usual;
  const double used = std::min(slack_, usual - answerDue_);
  slack_ -= used;
  return usual - used;
}

double PtyServer::creditLead() const {
  return wireTime_ ? line_.roundTripSeconds() : 0;
}

std::optional<double> PtyServer::nextDeadline() const {
  std::optional<double> next = reader_.nextTimerAt();
  const auto sooner = [&next](double at) {
    if (!next || at < *next) next = at;
  };
  // A byte is judged at its leaving only if we are awake then (the loader's
  // greeting, a byte right after another); waking for it alone would cost
  // every answer a wake-up.
  if (!fromReader_.empty()) sooner(fromReader_.front().arrivesAt);
  return next;
}

void PtyServer::takeTimer(const pollfd& timer) {
  std::uint64_t expirations = 0;
  if (timer.revents & POLLIN) [[maybe_unused]]
    auto n = ::read(timer_, &expirations, sizeof expirations);
}

bool PtyServer::waitFor(std::optional<double> deadline, pollfd* fds, int count) {
  // While bytes come and go, stay on the processor (see pollAwake); once the
  // line has been quiet a while, sleep.
  const double now = clock_.seconds();
  if (wireTime_ && now < busyUntil_) {
    const double until = deadline ? std::min(*deadline, busyUntil_) : busyUntil_;
    const int ready = pollAwake(fds, count, clock_, until);
    if (ready < 0 && errno != EINTR) return false;
    if (ready != 0 || (deadline && clock_.seconds() >= *deadline)) {
      takeTimer(fds[count - 1]);
      return true;
    }
  }
  int timeoutMs = -1;
  itimerspec timer{};  // zero: disarmed
  if (deadline) {
    const double sleep = *deadline - kSpinSeconds - clock_.seconds();
    if (sleep <= 0)
      timeoutMs = 0;
    else
      timer.it_value = monotonicIn(sleep);
  }
  if (timer_ >= 0) ::timerfd_settime(timer_, TFD_TIMER_ABSTIME, &timer, nullptr);
  if (::poll(fds, count, timeoutMs) < 0 && errno != EINTR) return false;
  takeTimer(fds[count - 1]);
  // Close to the deadline: spin to it rather than oversleep it.
  if (deadline && *deadline - clock_.seconds() <= kSpinSeconds)
    while (clock_.seconds() < *deadline) {
    }
  return true;
}

void PtyServer::hangUp() {
  if (!line_.isOpen()) return;
  line_.hangUp();
  toReader_.clear();
  fromReader_.clear();
  frontJudged_ = false;
  if (lineWatcher_) lineWatcher_(QString());
}

void PtyServer::replug() {
  reader_.replug();
  if (line_.isOpen()) return;
  QString error;
  if (!line_.open(&error)) return;
  // What the reader said while no line was there went nowhere.
  reader_.takeSerialOutput();
  answerDue_ = 0;
  slack_ = 0;
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
