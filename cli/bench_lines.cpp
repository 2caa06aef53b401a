#include "cli/bench_lines.h"

#include <algorithm>

#include "cli/exit_status.h"
#include "cli/json_lines.h"
#include "cli/output.h"
#include "cli/progress_bar.h"
#include "cli/terminal_size.h"
#include "fleet/bench_jobs.h"

namespace mv4700::cli {

namespace {

using Steady = std::chrono::steady_clock;

constexpr auto kRedraw = std::chrono::milliseconds(100);

// The reader number of the thread that serves it: the engine reports its
// start on that thread, before the reader's backends and command.
thread_local int currentReader = -1;

void writeErr(const Io& io, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), io.err);
  std::fflush(io.err);
}

}  // namespace

QString benchResultWord(const BenchEnd& end) {
  switch (end.outcome) {
    case Outcome::Done:
      return QStringLiteral("done");
    case Outcome::Declined:
      return QStringLiteral("declined");
    default:
      return end.exitStatus == exit_status::kInterrupted ? QStringLiteral("stopped")
                                                         : QStringLiteral("failed");
  }
}

BenchLines::BenchLines(const Io& io, Output& output, const QString& command)
    : io_(io), output_(output), command_(command), terminal_(io.errIsTerminal && !dumbTerminal()) {}

BenchLines::~BenchLines() {
  const std::lock_guard<std::mutex> lock(mutex_);
  eraseRows();
}

int BenchLines::current() {
  return currentReader;
}

void BenchLines::name(int reader, const QString& name, const QJsonObject& where) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_[reader];
  row.name = name;
  row.where = where;
}

void BenchLines::started(int reader) {
  currentReader = reader;
  const std::lock_guard<std::mutex> lock(mutex_);
  rows_[reader].running = true;
}

void BenchLines::statusLine(int reader, const QString& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_[reader];
  if (!terminal_) {
    // Whole, with its reader's name: lines of two readers never mix.
    writeErr(io_, row.name + QStringLiteral(": ") + line + u'\n');
    return;
  }
  row.state = line;
  row.done = -1;
  eraseRows();
  drawRows();
}

void BenchLines::progress(int reader, std::int64_t done, std::int64_t total) {
  if (!terminal_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_[reader];
  if (row.sendingSince == Steady::time_point{}) row.sendingSince = Steady::now();
  row.done = done;
  row.total = total;
  const Steady::time_point now = Steady::now();
  if (now - lastDraw_ < kRedraw && done < total) return;
  eraseRows();
  drawRows();
}

void BenchLines::result(int reader, const QString& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  scroll(rows_[reader].name + QStringLiteral(": ") + line, true);
}

void BenchLines::fields(int reader, const QJsonObject& fields) {
  const std::lock_guard<std::mutex> lock(mutex_);
  rows_[reader].fields = fields;
}

void BenchLines::note(const QString& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  scroll(line, false);
}

void BenchLines::ended(int reader, const BenchEnd& end) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_[reader];
  row.running = false;
  if (output_.json()) {
    QJsonObject object =
        readerLineJson(row.fields, command_,
                       {reader + 1, row.where, benchResultWord(end), end.exitStatus, end.seconds});
    // The name its status lines carry on standard error.
    object[QStringLiteral("name")] = row.name;
    eraseRows();
    output_.objectLine(object);
    drawRows();
    return;
  }
  QString line = row.name + QStringLiteral(": ") + benchResultWord(end);
  if (end.outcome != Outcome::Done && end.outcome != Outcome::Declined)
    line += QStringLiteral(", exit %1").arg(end.exitStatus);
  line += QStringLiteral(", %1 s").arg(end.seconds, 0, 'f', 1);
  // On a terminal the reader's last line leaves with its row: the summary keeps it.
  if (terminal_ && end.outcome != Outcome::Done && !row.state.isEmpty())
    line += QStringLiteral(" (") + row.state + u')';
  scroll(line, true);
}

int BenchLines::tally(const std::vector<BenchEnd>& ends) {
  int done = 0, declined = 0;
  for (const BenchEnd& end : ends) {
    if (end.outcome == Outcome::Done) ++done;
    if (end.outcome == Outcome::Declined) ++declined;
  }
  const int failed = static_cast<int>(ends.size()) - done - declined;
  int status = 0;
  for (const BenchEnd& end : ends)
    if (end.outcome != Outcome::Done) status = std::max(status, end.exitStatus);
  if (ends.empty()) status = exit_status::kNoReader;
  const std::lock_guard<std::mutex> lock(mutex_);
  eraseRows();
  if (output_.json()) {
    output_.objectLine(
        tallyJson(command_, {static_cast<int>(ends.size()), done, declined, failed}, status));
  } else {
    output_.line(benchSummary(static_cast<int>(ends.size()), done, failed, declined));
  }
  drawRows();
  return status;
}

void BenchLines::scroll(const QString& above, bool toOut) {
  eraseRows();
  if (toOut)
    output_.line(above);
  else
    writeErr(io_, above + u'\n');
  drawRows();
}

void BenchLines::eraseRows() {
  if (!terminal_ || drawn_ == 0) return;
  writeErr(io_, QStringLiteral("\x1b[%1A\r\x1b[J").arg(drawn_));
  drawn_ = 0;
}

void BenchLines::drawRows() {
  if (!terminal_) return;
  const int columns = terminalColumns(::fileno(io_.err));
  QString text;
  for (const auto& [reader, row] : rows_) {
    if (!row.running) continue;
    text += rowText(row, columns) + u'\n';
    ++drawn_;
  }
  if (!text.isEmpty()) writeErr(io_, text);
  lastDraw_ = Steady::now();
}

QString BenchLines::rowText(const Row& row, int columns) const {
  const int room = std::max(columns - 1, 10);
  QString text = row.name + QStringLiteral("  ");
  if (row.done >= 0) {
    const double seconds = std::chrono::duration<double>(Steady::now() - row.sendingSince).count();
    text += progressBarText(row.done, row.total, seconds,
                            std::max(room - static_cast<int>(text.size()), 0));
  } else {
    text += row.state.isEmpty() ? QStringLiteral("started") : row.state;
  }
  return text.left(room);
}

}  // namespace mv4700::cli
