#include "seams/clock.h"

#include <chrono>

namespace mv4700 {

double SteadyClock::seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void delay(Clock& clock, std::int16_t seconds) {
  const double end = clock.seconds() + seconds;
  while (clock.seconds() < end) {
  }
}

}  // namespace mv4700
