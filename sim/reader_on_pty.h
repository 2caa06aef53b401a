#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "seams/clock.h"
#include "sim/pty_line.h"
#include "sim/pty_server.h"
#include "sim/reader_model.h"
#include "sim/slave_link.h"

namespace mv4700 {

// One emulated reader on a pseudo-terminal of its own, served on a thread of
// its own; control lines reach it through a pipe, so readers served side by
// side share nothing.
class ReaderOnPty {
 public:
  ReaderOnPty(ReaderModel::Kind kind, int baud);
  ~ReaderOnPty();
  ReaderOnPty(const ReaderOnPty&) = delete;
  ReaderOnPty& operator=(const ReaderOnPty&) = delete;

  // Before start(): the reader and its server, to set up.
  ReaderModel& reader() { return reader_; }
  PtyServer& server() { return server_; }
  // Keeps a symbolic link at `path` to the current port.
  void keepLink(const QString& path) { link_.emplace(path); }
  // Called on the serving thread with the new path after a replug.
  void setReplugged(std::function<void(const QString& path)> replugged) {
    replugged_ = std::move(replugged);
  }

  // Opens the line and serves it; false with `error` set when it could not.
  bool start(QString* error);
  QString path() const { return line_.slavePath(); }
  // Passes control text to the reader: lines such as "touch\n", "hangup\n",
  // "silent on\n", whole or in pieces.
  void say(const QByteArray& text);
  // True once the reader was told "quit" (or its serving ended).
  bool ended() const { return ended_; }
  // The serving thread, for what the system can tell of it (its processor time).
  std::thread::native_handle_type serverThread() { return thread_.native_handle(); }

 private:
  SteadyClock clock_;
  ReaderModel reader_;
  PtyLine line_;
  PtyServer server_;
  std::optional<SlaveLink> link_;
  std::function<void(const QString&)> replugged_;
  int control_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<bool> ended_{false};
};

}  // namespace mv4700
