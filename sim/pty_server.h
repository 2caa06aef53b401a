#pragma once

#include <QByteArray>
#include <deque>

#include "sim/pty_line.h"
#include "sim/reader_model.h"

namespace mv4700 {

// Runs one emulated reader on a pseudo-terminal: the tool's bytes go to the
// firmware as they arrive, its answers go back when the tool's port runs at
// the speed they were sent at. Control lines ("touch", "remove", "unplug",
// "replug", "quit") come from a descriptor, usually stdin.
class PtyServer {
 public:
  PtyServer(ReaderModel& reader, Clock& clock, PtyLine& line);
  ~PtyServer();

  // Paces answers at the wire time of the line speed (10 bits a byte), as a
  // real reader's UART would.
  void setWireTime(bool on) { wireTime_ = on; }

  // Serves until the control descriptor reaches its end, "quit" is read, or
  // stop() is called; returns 0, or 1 when polling failed.
  int serve(int controlFd);
  // Ends serve() from another thread.
  void stop();

 private:
  struct Outgoing {
    double due;
    int baud;
    QByteArray bytes;
  };

  int readLine();                     // the line speed judged, -1 when nothing came
  bool handleControl(int controlFd);  // false: stop serving
  void collectAnswers(double earliest);
  void sendDue(int lineBaud);  // lineBaud -1: judge it now
  int pollTimeoutMs();

  ReaderModel& reader_;
  Clock& clock_;
  PtyLine& line_;
  bool wireTime_ = false;
  int wake_[2] = {-1, -1};
  QByteArray controlText_;
  std::deque<Outgoing> outgoing_;
  double lineFreeAt_ = 0;
};

}  // namespace mv4700
