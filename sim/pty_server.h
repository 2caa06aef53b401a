#pragma once

#include <poll.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

#include "sim/pty_line.h"
#include "sim/reader_model.h"
#include "sim/serial_wire.h"

namespace mv4700 {

// Runs one emulated reader on a pseudo-terminal: the tool's bytes go to the
// firmware as they arrive, its answers go back when the tool's port runs at
// the speed they were sent at. Control lines (see control()) come from a
// descriptor, usually stdin.
class PtyServer {
 public:
  PtyServer(ReaderModel& reader, Clock& clock, PtyLine& line);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Paces the line at wire time (10 bits a byte at the line speed), as a real
  // reader's UART: each byte comes in and leaves at its own moment, and an
  // answer starts only once the command's last byte is in.
  void setWireTime(bool on);
  // Time the reader takes from a command's last byte to its answer's first.
  void setReplyDelay(double seconds) { replyDelay_ = seconds; }
  // At wire time, how much sooner than we read them the tool's bytes count
  // as sent: a low bound of what the pseudo-terminal itself takes to bring
  // them, so that no exchange completes sooner than on a wire.
  double creditSeconds() const;
  // The line's faults and adapter.
  WireModel& wire() { return wire_; }
  // Called with the new port path when "replug" brings a hung-up line back,
  // and with an empty path when "hangup" takes it away.
  void setLineWatcher(std::function<void(const QString& path)> watcher) {
    lineWatcher_ = std::move(watcher);
  }

  // Runs one control line: "touch", "remove", "unplug", "replug", "hangup",
  // "reply-delay S", a reader or line fault ("silent on"...) or "quit". Returns why
  // the line was refused, or an empty text.
  QString control(const QByteArray& line);
  bool quitRequested() const { return quit_; }

  // Serves until the control descriptor reaches its end, "quit" is read, or
  // stop() is called; returns 0, or 1 when waiting failed.
  int serve(int controlFd);
  // Ends serve() from another thread.
  void stop();

 private:
  void readTool();                    // takes what the tool sent
  void noticeToolSpeed(double now);   // dates a change of the tool's port speed
  bool handleControl(int controlFd);  // false: stop serving
  // Moves the line on to `now`: the reader hears what came in, and what it
  // sent reaches the tool.
  void advance(double now);
  std::optional<double> nextDeadline();
  // Sleeps until `deadline` (or an event on the descriptors); false on failure.
  bool waitFor(std::optional<double> deadline, pollfd* fds, int count);
  void takeTimer(const pollfd& timer);  // clears an expiry poll() reported
  void hangUp();
  void replug();

  ReaderModel& reader_;
  Clock& clock_;
  PtyLine& line_;
  WireModel wire_;
  bool wireTime_ = false;
  double replyDelay_ = 0;
  double toolSentAt_ = 0;  // when the tool's last bytes count as sent
  int wake_[2] = {-1, -1};
  int timer_ = -1;
  bool quit_ = false;
  QByteArray controlText_;
  std::function<void(const QString&)> lineWatcher_;
};

}  // namespace mv4700
