#pragma once

#include <poll.h>

#include "seams/clock.h"

namespace mv4700 {

// Waits for an event on `fds` until `until` on `clock` without leaving the
// processor: it asks poll() without a time-out and yields in between. A
// virtual processor that halts while a line is idle wakes 40 us to a few ms
// late, more than a byte time; one that stays busy hands over at once, and
// yielding lets any woken task run first. Returns what poll() returns: above
// 0 for events, 0 once `until` has passed, below 0 on failure.
int pollAwake(pollfd* fds, int count, Clock& clock, double until);

}  // namespace mv4700
