#pragma once

#include <functional>
#include <set>
#include <vector>

#include "fleet/bench_engine.h"

namespace mv4700 {

class Clock;

// What the watch asks its search to leave alone: the readers it is serving.
struct BenchBusy {
  std::set<int> serialSlots;
  bool usb = false;  // a USB reader is being served: USB is not enumerated meanwhile
};

// A production line that never stops: every reader that answers is served as
// soon as it does, while others still run; a reader that has been served is
// not served again until it has been gone (absent for two seconds) and comes
// back. A reader that restarts after its update is the same reader.
class BenchWatch {
 public:
  using Search = std::function<std::vector<BenchReader>(const BenchBusy& busy)>;

  BenchWatch(BenchEngine& engine, Search search, Clock& clock)
      : engine_(engine), search_(std::move(search)), clock_(clock) {}

  // Serves until `stop` returns true, looking for readers every
  // `pollSeconds` (asleep in between); then waits for the running ones, which
  // end through their closing steps once the engine was asked to stop.
  // Returns every served reader's end, in the order they started.
  std::vector<BenchEnd> watch(const ReaderJob& job, const std::function<bool()>& stop,
                              double pollSeconds = 0.5);

  static constexpr double kGoneSeconds = 2.0;

 private:
  BenchEngine& engine_;
  Search search_;
  Clock& clock_;
};

}  // namespace mv4700
