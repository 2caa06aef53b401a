#include "sim/awake_wait.h"

#include <sched.h>

namespace mv4700 {

int pollAwake(pollfd* fds, int count, Clock& clock, double until) {
  for (;;) {
    const int ready = ::poll(fds, count, 0);
    if (ready != 0 || clock.seconds() >= until) return ready;
    ::sched_yield();
  }
}

}  // namespace mv4700
