#pragma once

#include <QString>
#include <vector>

namespace mv4700 {

// The reader's end of a serial line: a pseudo-terminal master. The slave is
// the port the tool opens. We hold a slave descriptor of our own for the
// whole run, or the master reads EIO whenever the tool closes the port.
class PtyLine {
 public:
  PtyLine() = default;
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;
  ~PtyLine();

  // Creates the pair, raw and at 9600 baud; false with `error` set on failure.
  // After hangUp() it creates a new pair, usually under another path.
  bool open(QString* error);
  // Closes our ends, as an adapter pulled from its socket: the tool's port
  // reads end of file, writes fail, and the path is gone.
  void hangUp();
  bool isOpen() const { return master_ >= 0; }
  // The master runs in packet mode: each read is a 0 byte and the tool's
  // bytes, or one status byte. A status byte with TIOCPKT_IOCTL set means
  // the tool changed its port's settings (its speed) just now.
  QString slavePath() const { return slavePath_; }
  int masterFd() const { return master_; }

  // A low bound of what the pseudo-terminal takes to bring a write on the
  // port to us while we sleep: the 5th percentile of 64 deliveries from
  // another process, measured each time a pair is made, before anyone knows
  // its path. A wire-time line counts the tool's bytes as sent this much
  // before it read them; never more, so no exchange beats the wire. At most
  // 50 us, whatever a busy machine measured.
  double deliverySeconds() const { return delivery_; }

  // The speed the tool set on its port, or -1 when the line is not 8 data
  // bits without parity (the reader would hear only noise).
  int lineBaud() const;

 private:
  int master_ = -1;
  void measureDelivery();

  int slave_ = -1;
  std::vector<int> pulledSlaves_;  // of the pairs hung up, held until the line ends
  QString slavePath_;
  double delivery_ = 0;
};

// The baud of a termios speed constant, or -1.
int baudOfSpeed(unsigned speed);

}  // namespace mv4700
