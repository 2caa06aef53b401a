#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>

namespace mv4700::testing {

inline speed_t termiosSpeed(int baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 57600:
      return B57600;
    default:
      return B115200;
  }
}

// A serial port opened the plainest way a tool can: raw termios, no library.
class RawPort {
 public:
  RawPort(const QString& path, int baud) {
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ >= 0) setBaud(baud);
  }
  ~RawPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawPort(const RawPort&) = delete;
  RawPort& operator=(const RawPort&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void setBaud(int baud) {
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, termiosSpeed(baud));
    ::cfsetospeed(&t, termiosSpeed(baud));
    ::tcsetattr(fd_, TCSANOW, &t);
  }
  bool send(const QByteArray& bytes) {
    return ::write(fd_, bytes.constData(), bytes.size()) == bytes.size();
  }
  // Everything that arrives until `n` bytes are in or the line stays quiet
  // for `quietMs`; sleeps in poll() meanwhile.
  QByteArray receive(int n, int quietMs = 300) {
    QByteArray got;
    while (got.size() < n) {
      pollfd in{fd_, POLLIN, 0};
      if (::poll(&in, 1, quietMs) <= 0) break;
      char buffer[256];
      const ssize_t r = ::read(fd_, buffer, sizeof buffer);
      if (r > 0) got.append(buffer, r);
    }
    return got;
  }

 private:
  int fd_ = -1;
};

}  // namespace mv4700::testing
