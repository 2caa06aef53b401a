#pragma once

#include <QObject>
#include <functional>

#include "fleet/bench_report.h"

namespace mv4700 {

// The engine's report, told on the readers' threads, passed on to a window on
// its own thread: each call becomes a queued call of the matching function,
// so nothing of the window is touched off its thread. The window ends every
// run before it goes; calls still queued then are dropped with it.
class QueuedBenchReport final : public BenchReport {
 public:
  struct Receiver {
    std::function<void(int reader)> started;
    std::function<void(int reader, const QString& line)> statusLine;
    std::function<void(int reader, std::int64_t done, std::int64_t total)> progress;
    std::function<void(int reader, const BenchEnd& end)> ended;
  };

  QueuedBenchReport(QObject& window, Receiver receiver)
      : window_(&window), receiver_(std::move(receiver)) {}

  void started(int reader) override;
  void statusLine(int reader, const QString& line) override;
  void progress(int reader, std::int64_t done, std::int64_t total) override;
  void ended(int reader, const BenchEnd& end) override;

 private:
  void post(std::function<void()> call);

  QObject* window_;
  Receiver receiver_;
};

}  // namespace mv4700
