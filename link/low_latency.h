#pragma once

#include <optional>

namespace mv4700 {

// The flags word of a serial driver (struct serial_struct on Linux), where
// drivers that buffer for a latency timer keep their low-latency switch.
class DriverSerialFlags {
 public:
  virtual ~DriverSerialFlags() = default;
  // Empty when the driver has no such flags (pseudo-terminals, most adapters).
  virtual std::optional<int> read(int fd) = 0;
  virtual void write(int fd, int flags) = 0;
};

// Through TIOCGSERIAL and TIOCSSERIAL.
DriverSerialFlags& systemSerialFlags();

// Low-latency mode for an open port, taken back when the port closes: the
// switch belongs to the system's driver, and a modem or GPS receiver probed by
// a search must be left as it was found.
class LowLatency {
 public:
  explicit LowLatency(DriverSerialFlags& flags) : flags_(flags) {}

  void engage(int fd);
  // Before the port closes; a device that went away just keeps nothing.
  void release(int fd);

 private:
  DriverSerialFlags& flags_;
  bool engaged_ = false;
};

}  // namespace mv4700
