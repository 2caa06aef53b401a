#include "link/low_latency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace mv4700 {

namespace {

class SystemSerialFlags final : public DriverSerialFlags {
 public:
  std::optional<int> read(int fd) override {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) return std::nullopt;
    return serial.flags;
  }
  void write(int fd, int flags) override {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
    serial.flags = flags;
    ::ioctl(fd, TIOCSSERIAL, &serial);
  }
};

}  // namespace

DriverSerialFlags& systemSerialFlags() {
  static SystemSerialFlags flags;
  return flags;
}

void LowLatency::engage(int fd) {
  engaged_ = false;
  const std::optional<int> flags = flags_.read(fd);
  // Already set by its owner: then it stays set after the port closes, too.
  if (!flags || (*flags & ASYNC_LOW_LATENCY)) return;
  flags_.write(fd, *flags | ASYNC_LOW_LATENCY);
  engaged_ = true;
}

void LowLatency::release(int fd) {
  if (!engaged_) return;
  engaged_ = false;
  // Only the switch this port turned on goes back; other flags may have changed since.
  if (const std::optional<int> flags = flags_.read(fd))
    flags_.write(fd, *flags & ~ASYNC_LOW_LATENCY);
}

}  // namespace mv4700
