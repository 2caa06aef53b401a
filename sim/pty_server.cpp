#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace mv4700 {

namespace {

double byteSeconds(int baud) {
  return baud > 0 ? 10.0 / baud : 0;
}

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

}  // namespace

PtyServer::PtyServer(ReaderModel& reader, Clock& clock, PtyLine& line)
    : reader_(reader), clock_(clock), line_(line) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

PtyServer::~PtyServer() {
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
}

void PtyServer::stop() {
  const char byte = 'q';
  if (wake_[1] >= 0) [[maybe_unused]]
    auto n = ::write(wake_[1], &byte, 1);
}

// Takes what the firmware said; with wire time it leaves only once the
// command has come in and the line is free.
void PtyServer::collectAnswers(double earliest) {
  for (SerialBurst& burst : reader_.takeSerialOutput()) {
    double due = 0;
    if (wireTime_) {
      const double start = std::max({earliest, burst.sentAt, lineFreeAt_});
      due = start + burst.bytes.size() * byteSeconds(burst.baud);
      lineFreeAt_ = due;
    }
    outgoing_.push_back({due, burst.baud, std::move(burst.bytes)});
  }
}

void PtyServer::sendDue(int lineBaud) {
  if (outgoing_.empty()) return;
  const double now = wireTime_ ? clock_.seconds() : 0;
  if (lineBaud < 0 || wireTime_) lineBaud = line_.lineBaud();
  while (!outgoing_.empty() && outgoing_.front().due <= now) {
    const Outgoing& out = outgoing_.front();
    // At another speed the tool's UART only sees framing errors.
    if (out.baud == lineBaud) writeAll(line_.masterFd(), out.bytes.constData(), out.bytes.size());
    outgoing_.pop_front();
  }
}

int PtyServer::readLine() {
  char buffer[4096];
  int baud = -1;
  for (;;) {
    const ssize_t n = ::read(line_.masterFd(), buffer, sizeof buffer);
    if (n <= 0) return baud;  // EAGAIN, or EIO while no slave is open
    baud = line_.lineBaud();
    const double arrived = wireTime_ ? clock_.seconds() + n * byteSeconds(baud) : 0;
    reader_.receiveSerial(QByteArray(buffer, n), baud);
    collectAnswers(arrived);
    // A short read emptied the line; saves a system call per frame.
    if (static_cast<size_t>(n) < sizeof buffer) return baud;
  }
}

bool PtyServer::handleControl(int controlFd) {
  char buffer[256];
  const ssize_t n = ::read(controlFd, buffer, sizeof buffer);
  if (n == 0) return false;
  if (n < 0) return errno == EAGAIN || errno == EINTR;
  controlText_.append(buffer, n);
  qsizetype end;
  while ((end = controlText_.indexOf('\n')) >= 0) {
    const QByteArray command = controlText_.left(end).trimmed();
    controlText_.remove(0, end + 1);
    if (command == "quit") return false;
    if (command == "touch") reader_.touch();
    if (command == "remove") reader_.remove();
    if (command == "unplug") reader_.unplug();
    if (command == "replug") reader_.replug();
  }
  collectAnswers(wireTime_ ? clock_.seconds() : 0);
  return true;
}

int PtyServer::pollTimeoutMs() {
  if (!outgoing_.empty()) {
    const double wait = outgoing_.front().due - clock_.seconds();
    return std::max(0, static_cast<int>(std::ceil(wait * 1000)));
  }
  // A rebooting reader comes up as its loader by itself.
  return reader_.mode() == ReaderModel::Mode::Rebooting ? 10 : -1;
}

int PtyServer::serve(int controlFd) {
  for (;;) {
    pollfd fds[3] = {{line_.masterFd(), POLLIN, 0},
                     {wake_[0], POLLIN, 0},
                     {controlFd, static_cast<short>(controlFd >= 0 ? POLLIN : 0), 0}};
    const int ready = ::poll(fds, 3, pollTimeoutMs());
    if (ready < 0 && errno != EINTR) return 1;
    if (fds[1].revents) return 0;
    // The speed judged on reading serves for the answer too (one system call less).
    const int baud = fds[0].revents & POLLIN ? readLine() : -1;
    if (fds[2].revents & (POLLIN | POLLHUP) && !handleControl(controlFd)) return 0;
    collectAnswers(wireTime_ ? clock_.seconds() : 0);
    sendDue(baud);
  }
}

}  // namespace mv4700
