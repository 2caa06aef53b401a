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
  bool open(QString* error);
  QString slavePath() const { return slavePath_; }
  int masterFd() const { return master_; }

  // The speed the tool set on its port, or -1 when the line is not 8 data
  // bits without parity (the reader would hear only noise).
  int lineBaud() const;

 private:
  int master_ = -1;
  int slave_ = -1;
  QString slavePath_;
};

// The baud of a termios speed constant, or -1.
int baudOfSpeed(unsigned speed);

}  // namespace mv4700
