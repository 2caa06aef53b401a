#pragma once

#include <cstdint>

namespace mv4700 {

// A steady clock in seconds. The waits read it and sleep on it; they never
// handle events.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double seconds() = 0;
  // Returns once seconds() has reached `until`, asleep meanwhile.
  virtual void sleepUntil(double until) = 0;
};

class SteadyClock final : public Clock {
 public:
  double seconds() override;
  void sleepUntil(double until) override;
};

// Returns once `seconds` have passed on `clock`, never sooner; sleeps
// meanwhile, so readers served at once leave the processor to each other.
void delay(Clock& clock, std::int16_t seconds);

}  // namespace mv4700
