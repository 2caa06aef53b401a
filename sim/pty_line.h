#pragma once

#include <QString>

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
  QString slavePath() const { return slavePath_; }
  int masterFd() const { return master_; }

  // What an exchange through the pseudo-terminal itself costs on average: a
  // byte there and back to a program asleep on the far end, as a tool
  // sleeps between the frames of a transfer. Measured when the pair is made;
  // a wire-time line takes it off its byte times.
  double roundTripSeconds() const { return roundTrip_; }

  // The speed the tool set on its port, or -1 when the line is not 8 data
  // bits without parity (the reader would hear only noise).
  int lineBaud() const;

 private:
  int master_ = -1;
  void measureRoundTrip();

  int slave_ = -1;
  QString slavePath_;
  double roundTrip_ = 0;
};

// The baud of a termios speed constant, or -1.
int baudOfSpeed(unsigned speed);

}  // namespace mv4700
