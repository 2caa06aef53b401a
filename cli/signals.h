#pragma once

#include <csignal>
#include <iterator>

namespace mv4700::cli {

// How the command line meets SIGINT, SIGTERM, SIGHUP and SIGPIPE during one
// run. Outside a catching section Ctrl+C, SIGTERM and SIGHUP end the program
// as they would without it: nothing is open then that needs more than the
// system's own closing. Inside one (a question, a transfer, test mode,
// --watch) the handler only counts, and the code that can stop asks
// InterruptCatcher::count(), so the closing steps run and the terminal is
// given back. SIGTERM and SIGHUP count as two presses of Ctrl+C. A broken pipe
// counts as two presses anywhere and ends the run quietly.
class SignalHandling {
 public:
  SignalHandling();
  ~SignalHandling();
  SignalHandling(const SignalHandling&) = delete;
  SignalHandling& operator=(const SignalHandling&) = delete;

  // 128 + the signal that ended the run (SIGTERM, SIGHUP, SIGPIPE); 0 when
  // none did.
  static int endingStatus();

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
  struct sigaction previous_[std::size(kSignals)]{};
};

// A section in which the signals are counted in place of ending the program.
// Sections nest.
class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // Presses of Ctrl+C in this run (SIGTERM, SIGHUP and SIGPIPE count two).
  static int count();
};

// While it lives, the first press of Ctrl+C is answered at once, from the
// handler, with a warning that a second press stops the firmware transfer:
// even while a wait sleeps and nothing else could answer.
class TransferWarning {
 public:
  TransferWarning();
  ~TransferWarning();
  TransferWarning(const TransferWarning&) = delete;
  TransferWarning& operator=(const TransferWarning&) = delete;

  // Whether the handler has written the warning.
  static bool shown();
};

}  // namespace mv4700::cli
