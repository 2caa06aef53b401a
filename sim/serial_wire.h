#pragma once

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <vector>

namespace mv4700 {

// Seconds one byte takes on an asynchronous line: start bit, 8 data bits,
// stop bit.
inline double byteSeconds(int baud) {
  return baud > 0 ? 10.0 / baud : 0;
}

// One byte on the wire: it is ready to leave at `readyAt`, leaves the sender
// at `sentAt` and is fully in at the receiver at `arrivesAt`, one byte time
// later.
struct WireByte {
  double readyAt;
  double sentAt;
  double arrivesAt;
  int baud;
  char byte;
};

// What a receiving UART made of the line: a byte, the moment it was fully in,
// and whether its stop bit was missing (a frame at another speed).
struct HeardByte {
  char byte;
  double at;
  bool framingError;
};

// Faults of the line itself, as real cables, UARTs and adapters show them.
struct LineFaults {
  // A frame at another speed than the receiver's is heard as the bytes the
  // receiver's UART makes of it (each flagged where its stop bit is missing),
  // not as nothing.
  bool wrongSpeedGarbage = false;
  double bitErrorRate = 0;  // share of bytes heard with one bit flipped
  double dropRate = 0;      // share of bytes lost on the way
  std::uint32_t seed = 1;
};

// One direction of a serial line. A sender's bytes leave back to back at its
// speed, and never while an earlier byte still occupies the line. The
// receiver hears a byte once it is fully in, at the speed it runs at then.
class WireLane {
 public:
  using SpeedAt = std::function<int(double at)>;

  void setPaced(bool paced) { paced_ = paced; }
  // Queues `bytes` sent at `baud`; the first leaves at `from` or once the
  // line is free.
  void send(const QByteArray& bytes, int baud, double from);
  // The sender's speed changes at `at`: bytes that have not begun to leave
  // by then leave at `baud` (a byte already leaving ends at its old speed).
  void changeSpeedFrom(double at, int baud);
  // The bytes fully in by `now` as the receiver, running at speedAt(t), makes
  // them out. `faults` and `random` add the line's own errors.
  std::vector<HeardByte> take(double now, const SpeedAt& speedAt, const LineFaults& faults,
                              std::mt19937& random);
  // The next moment take() may have a byte, judged at the receiver's speed
  // `receiverBaud`; none while the line is empty.
  std::optional<double> nextDue(int receiverBaud, const LineFaults& faults) const;
  bool empty() const { return bytes_.empty(); }
  // Drops everything on the way and frees the line.
  void clear();

 private:
  // The line's level at `t`: 0 during a start bit or a 0 data bit, else 1.
  int levelAt(double t) const;
  // The first moment at or after `from` the line is low, if any byte is queued.
  std::optional<double> nextLow(double from) const;
  std::vector<HeardByte> takeWhole(double now, const SpeedAt& speedAt);
  std::vector<HeardByte> takeResampled(double now, const SpeedAt& speedAt);

  std::deque<WireByte> bytes_;
  double freeAt_ = 0;
  double decided_ = 0;  // the receiver has judged the line up to here
  bool paced_ = true;
};

// A serial line between the tool's port and a reader, as numbers: the tool's
// speed over time, both directions, the line's faults and a USB-serial
// adapter's packets. It does no input or output; the pseudo-terminal server
// and the in-process port feed it the moments they see.
class WireModel {
 public:
  WireModel();

  void setPaced(bool paced);
  LineFaults& faults() { return faults_; }
  // Restarts the line's random errors from the faults' seed.
  void reseed();
  // A USB-serial adapter hands what it received over in packets: what comes
  // in within `seconds` of a packet's first byte is handed over with it. 0:
  // every byte as soon as it is in, as a UART in low-latency mode.
  void setAdapterLatency(double seconds) { adapterLatency_ = seconds; }
  double adapterLatency() const { return adapterLatency_; }

  // The tool's port runs at `baud` from `at` on (-1: not 8 data bits without
  // parity). Its bytes that have not begun to leave go at the new speed.
  void toolSpeed(double at, int baud);
  int toolSpeedAt(double at) const;
  // The tool wrote `bytes` at `at`; they leave at its port's speed then.
  void toolSends(const QByteArray& bytes, double at);
  // What the reader, listening at readerBaud(), has heard by `now`.
  std::vector<HeardByte> readerHears(double now, const std::function<int()>& readerBaud);
  // The reader sends `bytes` at `baud` from `at`.
  void readerSends(const QByteArray& bytes, int baud, double at);
  // What the tool's port has been handed by `now`. A byte with a framing
  // error reads as 0, as from a raw port that neither ignores nor marks them.
  QByteArray toolHears(double now);
  // The next moment something is due on either side.
  std::optional<double> nextDue(int readerBaud) const;
  // When the last byte handed to the tool was fully in: nothing it says in
  // answer can have left before.
  double lastInAtTool() const { return lastInAtTool_; }
  // Everything on the way is lost (a hang-up, the port closed).
  void clear();

 private:
  WireLane toReader_;
  WireLane toTool_;
  LineFaults faults_;
  std::mt19937 random_;
  double adapterLatency_ = 0;
  std::vector<std::pair<double, int>> toolSpeeds_;  // (from when, baud)
  QByteArray packet_;                               // in the adapter, not handed over yet
  double packetDue_ = 0;
  double lastInAtTool_ = 0;
};

}  // namespace mv4700
