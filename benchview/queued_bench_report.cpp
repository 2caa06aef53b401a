#include "benchview/queued_bench_report.h"

#include <QMetaObject>

namespace mv4700 {

void QueuedBenchReport::post(std::function<void()> call) {
  QMetaObject::invokeMethod(window_, std::move(call), Qt::QueuedConnection);
}

void QueuedBenchReport::started(int reader) {
  post([this, reader] { receiver_.started(reader); });
}

void QueuedBenchReport::statusLine(int reader, const QString& line) {
  post([this, reader, line] { receiver_.statusLine(reader, line); });
}

void QueuedBenchReport::progress(int reader, std::int64_t done, std::int64_t total) {
  post([this, reader, done, total] { receiver_.progress(reader, done, total); });
}

void QueuedBenchReport::ended(int reader, const BenchEnd& end) {
  post([this, reader, end] { receiver_.ended(reader, end); });
}

}  // namespace mv4700
