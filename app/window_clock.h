#pragma once

#include "seams/clock.h"

namespace mv4700 {

// The window's clock. While a command waits it keeps the window alive: a
// sleep runs an event loop that handles everything but the operator's input
// (the desktop's pings, repaints), and a command that reads the clock while it
// works gets the same handling at most every few hundredths of a second.
// The operator's input waits in the queue; the InputLock drops it.
class WindowClock final : public Clock {
 public:
  double seconds() override;
  void sleepUntil(double until) override;

 private:
  SteadyClock steady_;
  double lastPump_ = 0;
};

// Handles pending events other than the operator's input, if the last time
// was long enough ago; `clock` tells the time.
void keepWindowAlive(Clock& clock, double& lastPump);

}  // namespace mv4700
