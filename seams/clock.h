#pragma once

#include <cstdint>

namespace mv4700 {

// A steady clock in seconds. The busy waits poll it; they never handle events.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double seconds() = 0;
};

class SteadyClock final : public Clock {
 public:
  double seconds() override;
};

// Returns once `seconds` have passed on `clock`, polling without yielding.
void delay(Clock& clock, std::int16_t seconds);

}  // namespace mv4700
