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
  // Called with the new port path when "replug" brings a hung-up line back,
  // and with an empty path when "hangup" takes it away.
  void setLineWatcher(std::function<void(const QString& path)> watcher) {
    lineWatcher_ = std::move(watcher);
  }

  // Runs one control line: "touch", "remove", "unplug", "replug", "hangup",
  // "reply-delay S", a reader fault ("silent on"...) or "quit". Returns why
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
  bool handleControl(int controlFd);  // false: stop serving
  // Moves the line on to `now`: the reader hears what came in, and what it
  // sent leaves for the tool.
  void advance(double now);
  std::optional<double> nextDeadline() const;
  // At wire time, what an exchange through the pseudo-terminal usually
  // costs on top of the wire: the tool's bytes count as sent this much
  // before we read them, so that the exchanges run at the wire's pace.
  double creditLead() const;
  // When the tool's bytes read at `now` left it, at wire time: a usual round
  // trip before, never before the last byte we gave it was in. The
  // pseudo-terminal's cost varies around the usual one; what a quick
  // exchange saved pays for a slow answer after it, so that a transfer
  // costs the wire plus what the tool itself spends, not the variation.
  double creditedSendTime(double now);
  // Sleeps until `deadline` (or an event on the descriptors); false on failure.
  bool waitFor(std::optional<double> deadline, pollfd* fds, int count);
  void takeTimer(const pollfd& timer);  // clears an expiry poll() reported
  void hangUp();
  void replug();

  ReaderModel& reader_;
  Clock& clock_;
  PtyLine& line_;
  bool wireTime_ = false;
  double replyDelay_ = 0;
  int wake_[2] = {-1, -1};
  int timer_ = -1;
  bool quit_ = false;
  QByteArray controlText_;
  WireDirection toReader_;
  WireDirection fromReader_;
  double busyUntil_ = 0;      // the line had bytes moving until shortly before
  double answerDue_ = 0;      // when the last byte the tool could hear was in
  double slack_ = 0;          // what quick exchanges saved, not yet used
  bool frontJudged_ = false;  // the next byte for the tool was sent...
  bool frontHeard_ = false;   // ...while the tool's port ran at its speed
  std::function<void(const QString&)> lineWatcher_;
};

}  // namespace mv4700
