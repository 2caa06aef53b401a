#include "fleet/bench_engine.h"

#include <algorithm>
#include <chrono>

#include "fleet/reader_status_box.h"
#include "fleet/worker_thread.h"
#include "link/device_session.h"
#include "link/hid_library.h"
#include "link/serial_service.h"
#include "seams/clock.h"
#include "settings/code_tables.h"

namespace mv4700 {

namespace {

// One reader's watch: its progress goes to the report, and it stops when the
// engine was asked to.
class ReaderWatch final : public TransferWatch {
 public:
  ReaderWatch(BenchReport& report, int reader, const std::atomic<bool>& stop)
      : report_(report), reader_(reader), stop_(stop) {}
  void progress(std::int64_t sent, std::int64_t total) override {
    report_.progress(reader_, sent, total);
  }
  bool stopRequested() override { return stop_; }

 private:
  BenchReport& report_;
  int reader_;
  const std::atomic<bool>& stop_;
};

std::optional<int> baudCodeOf(const QString& baud) {
  for (int code : kUsedBaudCodes)
    if (baudTable()[code] == baud) return code;
  return std::nullopt;
}

}  // namespace

void pinToReader(DeviceSession& session, const ListedReader& reader) {
  session.shared.usbSearch = reader.usb;
  session.shared.serialSearch = !reader.usb;
  if (!reader.usb) session.serial.fixedBaudCode = baudCodeOf(reader.baud);
}

BenchEnd BenchEngine::serve(int index, const BenchReader& reader, const ReaderJob& job) {
  using Steady = std::chrono::steady_clock;
  const Steady::time_point start = Steady::now();
  report_.started(index);
  ReaderJobResult result;
  {
    const ReaderBackends backends = backends_(reader.where);
    ReaderStatusBox status(report_, index);
    DeviceSession session(*backends.hid, *backends.serial, status, *backends.clock);
    pinToReader(session, reader.where);
    ReaderWatch watch(report_, index, stop_);
    result = job(session, watch);
  }
  const BenchEnd end{result.outcome, result.exitStatus,
                     std::chrono::duration<double>(Steady::now() - start).count()};
  report_.ended(index, end);
  return end;
}

std::unique_ptr<WorkerThread> BenchEngine::start(int index, const BenchReader& reader,
                                                 const ReaderJob& job, BenchEnd& end) {
  return std::make_unique<WorkerThread>(
      [this, index, &reader, &job, &end] { end = serve(index, reader, job); });
}

std::vector<BenchEnd> BenchEngine::run(const std::vector<BenchReader>& readers,
                                       const ReaderJob& job) {
  std::vector<BenchEnd> ends(readers.size());
  std::vector<std::unique_ptr<WorkerThread>> threads;
  for (std::size_t k = 0; k < readers.size(); ++k)
    threads.push_back(start(static_cast<int>(k), readers[k], job, ends[k]));
  for (const auto& thread : threads) thread->join();
  return ends;
}

int benchExitStatus(const std::vector<BenchEnd>& ends) {
  int status = 0;
  for (const BenchEnd& end : ends)
    if (end.outcome != Outcome::Done) status = std::max(status, end.exitStatus);
  return status;
}

}  // namespace mv4700
