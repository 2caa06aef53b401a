#include "seams/clock.h"

#include <chrono>
#include <thread>

namespace mv4700 {

double SteadyClock::seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleepUntil(double until) {
  // A signal may end a sleep early: sleep again for what is left.
  for (double left = until - seconds(); left > 0; left = until - seconds())
    std::this_thread::sleep_for(std::chrono::duration<double>(left));
}

void delay(Clock& clock, std::int16_t seconds) {
  clock.sleepUntil(clock.seconds() + seconds);
}

}  // namespace mv4700
