#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "firmware/transfer_watch.h"
#include "fleet/bench_reader.h"
#include "fleet/bench_report.h"
#include "seams/outcome.h"

namespace mv4700 {

class WorkerThread;

class Clock;
class HidLibrary;
class SerialService;
struct DeviceSession;

// One reader's own backends: nothing of them is shared with another reader.
// The clock comes first, so it outlives the backends that read it.
struct ReaderBackends {
  std::unique_ptr<Clock> clock;
  std::unique_ptr<HidLibrary> hid;
  std::unique_ptr<SerialService> serial;
};

// Makes the backends that reach `reader` and no other device; called on the
// reader's own thread, which uses them alone.
using BackendsFor = std::function<ReaderBackends(const ListedReader& reader)>;

// What one reader's command ended with, as the front end judges it.
struct ReaderJobResult {
  Outcome outcome = Outcome::Failed;
  int exitStatus = 0;
};

// The command to run on each reader: `session` reaches that reader only (its
// search finds it and nothing else); `watch` follows a transfer and stops it
// when the front end asks.
using ReaderJob = std::function<ReaderJobResult(DeviceSession& session, TransferWatch& watch)>;

// Points the session's search at `reader` alone: its link, and on RS232 its
// speed.
void pinToReader(DeviceSession& session, const ListedReader& reader);

// 0 when every reader is done, else the highest status any reader gave.
int benchExitStatus(const std::vector<BenchEnd>& ends);

// Runs one command on every reader of the bench at once, each on a thread of
// its own with its own session, backends and status lines. A reader's fault
// costs that reader its own bounded waits; the others go on.
class BenchEngine {
 public:
  BenchEngine(BackendsFor backends, BenchReport& report)
      : backends_(std::move(backends)), report_(report) {}

  // Returns once every reader has ended; each one's end, in the given order.
  std::vector<BenchEnd> run(const std::vector<BenchReader>& readers, const ReaderJob& job);
  // Starts `job` on one reader, reported as number `index`, on a thread of
  // its own; `end` is set once the thread is finished. `reader` and `job`
  // must outlive the thread.
  std::unique_ptr<WorkerThread> start(int index, const BenchReader& reader, const ReaderJob& job,
                                      BenchEnd& end);
  // Asks every running transfer to stop; each runs its closing steps. Safe
  // from any thread, a signal handler's included.
  void requestStop() { stop_ = true; }
  bool stopRequested() const { return stop_; }

 private:
  BenchEnd serve(int index, const BenchReader& reader, const ReaderJob& job);

  BackendsFor backends_;
  BenchReport& report_;
  std::atomic<bool> stop_{false};
};

}  // namespace mv4700
