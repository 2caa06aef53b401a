#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <map>
#include <mutex>
#include <vector>

#include "cli/io.h"
#include "fleet/bench_report.h"

namespace mv4700::cli {

class Output;

// What --all shows of the bench engine's reports. Calls come from the
// readers' threads at once; each is shown whole under one lock.
// - On a terminal (standard error, not TERM=dumb): one line per running
//   reader, redrawn in place, with its last status line or, for a transfer,
//   its own progress bar. Result and summary lines scroll above them.
// - Otherwise: each status line whole on standard error, each result line
//   whole on standard output, prefixed with the reader's name.
// As each reader ends: one summary line (with --json, one object a line);
// tally() prints the last one.
class BenchLines final : public BenchReport {
 public:
  BenchLines(const Io& io, Output& output, const QString& command);
  ~BenchLines() override;

  // Whether transfers draw a progress bar (the terminal view).
  bool bars() const { return terminal_; }
  // The reader reported as `reader`, under this name; its link for JSON.
  void name(int reader, const QString& name, const QJsonObject& where);
  // The reader number of the calling thread, set by started().
  static int current();
  // A result line of the reader's command (standard output).
  void result(int reader, const QString& line);
  // The command's JSON fields, given before the reader ends.
  void fields(int reader, const QJsonObject& fields);
  // A line of the command line's own (standard error).
  void note(const QString& line);
  // The last line: how many readers, how each ended; returns the exit status
  // (0 when every reader is done, else the highest status any reader gave).
  int tally(const std::vector<BenchEnd>& ends);

  void started(int reader) override;
  void statusLine(int reader, const QString& line) override;
  void progress(int reader, std::int64_t done, std::int64_t total) override;
  void ended(int reader, const BenchEnd& end) override;

 private:
  struct Row {
    QString name;
    QJsonObject where;
    QString state;  // the last status line
    std::int64_t done = -1, total = 0;
    std::chrono::steady_clock::time_point sendingSince;
    QJsonObject fields;
    bool running = false;
  };

  // Under the lock: the rows away, `above` printed (stdout), the rows back.
  void scroll(const QString& above, bool toOut);
  void eraseRows();
  void drawRows();
  QString rowText(const Row& row, int columns) const;

  const Io& io_;
  Output& output_;
  QString command_;
  bool terminal_;
  std::mutex mutex_;
  std::map<int, Row> rows_;
  int drawn_ = 0;  // rows on screen below the last line printed
  std::chrono::steady_clock::time_point lastDraw_;
};

// What a reader's end is called in its summary line: done, declined, failed,
// stopped.
QString benchResultWord(const BenchEnd& end);

}  // namespace mv4700::cli
