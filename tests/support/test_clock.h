#pragma once

#include "seams/clock.h"

namespace mv4700::testing {

// A clock that moves on by `step` seconds at every poll, so a wait of a
// second costs microseconds in a test; a sleep moves it to its end at once.
class TestClock final : public Clock {
 public:
  explicit TestClock(double step = 1e-4) : step_(step) {}
  double seconds() override {
    now_ += step_;
    return now_;
  }
  void sleepUntil(double until) override {
    if (until > now_) now_ = until;
    now_ += step_;
  }
  double peek() const { return now_; }
  void advance(double s) { now_ += s; }

 private:
  double step_;
  double now_ = 1000.0;
};

}  // namespace mv4700::testing
