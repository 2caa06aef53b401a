#pragma once

#include <QByteArray>
#include <deque>

namespace mv4700 {

// Seconds one byte takes on an asynchronous line: start bit, 8 data bits,
// stop bit.
inline double byteSeconds(int baud) {
  return baud > 0 ? 10.0 / baud : 0;
}

// One byte on the wire: it leaves the sender at `sentAt` and is fully in at
// the receiver at `arrivesAt`, one byte time later.
struct WireByte {
  double sentAt;
  double arrivesAt;
  int baud;
  char byte;
};

// One direction of a serial line. A sender's bytes leave back to back at its
// speed, and never while an earlier byte still occupies the line.
class WireDirection {
 public:
  // Unpaced, bytes take no time at all: the line is as fast as the host.
  void setPaced(bool paced) { paced_ = paced; }
  // Queues `bytes` sent at `baud`; the first leaves at `from` or once the
  // line is free.
  void send(const QByteArray& bytes, int baud, double from);
  bool empty() const { return bytes_.empty(); }
  const WireByte& front() const { return bytes_.front(); }
  WireByte pop();
  // Drops everything still on the way and frees the line.
  void clear();

 private:
  std::deque<WireByte> bytes_;
  double freeAt_ = 0;
  bool paced_ = true;
};

}  // namespace mv4700
