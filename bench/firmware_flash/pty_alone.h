#pragma once

namespace mv4700::bench {

// What a pseudo-terminal costs by itself, with no emulator behind it: one byte
// there and back to an echo on another thread, after an idle pause as long as
// the line keeps a tool waiting in each frame of a paced transfer.
struct PtyRoundTrips {
  int count = 0;
  double medianSeconds = 0;
  // Time spent beyond 0.2 ms in the slow exchanges: the host's hiccups (a
  // worker thread or a virtual processor waking late), which no emulator
  // on this pseudo-terminal can take back.
  double hiccupSeconds = 0;
  int hiccups = 0;
};

PtyRoundTrips measurePtyAlone(int count, double pauseSeconds);

}  // namespace mv4700::bench
