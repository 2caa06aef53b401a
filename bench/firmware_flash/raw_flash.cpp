#include "bench/firmware_flash/raw_flash.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "firmware/erase_command.h"
#include "tests/support/raw_port.h"

namespace mv4700::bench {

namespace {

void setSpeed(int fd, int baud) {
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, testing::termiosSpeed(baud));
  ::cfsetospeed(&t, testing::termiosSpeed(baud));
  ::tcsetattr(fd, TCSANOW, &t);
}

// A tool that spends `seconds` of its own on the processor, as a slower
// tool would, before it answers.
void spendOnTheProcessor(double seconds) {
  if (seconds <= 0) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
  }
}

bool sendAndAck(int fd, const std::uint8_t* bytes, std::size_t n, int timeoutMs) {
  if (::write(fd, bytes, n) != static_cast<ssize_t>(n)) return false;
  pollfd readable{fd, POLLIN, 0};
  if (::poll(&readable, 1, timeoutMs) != 1) return false;
  std::uint8_t ack = 0;
  return ::read(fd, &ack, 1) == 1 && ack == 0xFA;
}

}  // namespace

double rawFlashSeconds(const QString& device, int readerBaud, const QByteArray& image,
                       double extraSecondsAFrame) {
  const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  setSpeed(fd, readerBaud);
  ::write(fd, kEraseCommand.data(), kEraseCommand.size());
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  setSpeed(fd, 9600);
  double seconds = -1;
  const std::uint8_t update[] = {0x1B, 0xA8, 0x02};
  const std::uint8_t speedChange[] = {0xFA};
  pollfd ready{fd, POLLIN, 0};
  std::uint8_t ack = 0;
  if (::poll(&ready, 1, 6000) == 1 && ::read(fd, &ack, 1) == 1 && ack == 0xFA &&
      sendAndAck(fd, update, sizeof update, 1000)) {
    setSpeed(fd, 57600);
    if (sendAndAck(fd, speedChange, 1, 1000)) {
      const auto start = std::chrono::steady_clock::now();
      std::uint8_t frame[2] = {0, 0x55};
      bool ok = true;
      for (qsizetype k = 0; k < image.size() && ok; ++k) {
        frame[0] = static_cast<std::uint8_t>(image[k]);
        spendOnTheProcessor(extraSecondsAFrame);
        ok = sendAndAck(fd, frame, 2, 2000);
      }
      const std::uint8_t end[] = {0xFF, 0xAA};
      if (ok && sendAndAck(fd, end, 2, 2000))
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
  }
  ::close(fd);
  return seconds;
}

}  // namespace mv4700::bench
