#include "cli/signals.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace mv4700::cli {

namespace {

// The handler's counters: the only state it shares with the program.
std::atomic<int> presses{0};
std::atomic<int> endingSignal{0};
std::atomic<int> catching{0};
std::atomic<int> warnOnFirst{0};  // transfers past their erase (several under --all)
std::atomic<bool> warned{false};

constexpr char kWarning[] =
    "\nmv4700: the firmware transfer is running. Stopping it leaves the reader without a "
    "working program until a new update finishes. Press Ctrl+C again to stop.\n";

extern "C" void onSignal(int signal) {
  if (signal != SIGPIPE && catching.load() == 0) {
    // As if nothing were installed: the default action ends the program once
    // the handler returns.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  if (signal != SIGINT) {
    endingSignal.store(signal);
    presses.fetch_add(2);
    return;
  }
  if (presses.fetch_add(1) == 0 && warnOnFirst.load() > 0) {
    const int saved = errno;
    const ssize_t written = ::write(STDERR_FILENO, kWarning, sizeof kWarning - 1);
    static_cast<void>(written);
    errno = saved;
    warned.store(true);
  }
}

}  // namespace

SignalHandling::SignalHandling() {
  presses = 0;
  endingSignal = 0;
  warned = false;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a sleeping wait wakes up to look
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    sigaction(kSignals[i], &action, &previous_[i]);
}

SignalHandling::~SignalHandling() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i)
    sigaction(kSignals[i], &previous_[i], nullptr);
}

int SignalHandling::endingStatus() {
  const int signal = endingSignal.load();
  return signal == 0 ? 0 : 128 + signal;
}

InterruptCatcher::InterruptCatcher() {
  catching.fetch_add(1);
}

InterruptCatcher::~InterruptCatcher() {
  catching.fetch_sub(1);
}

int InterruptCatcher::count() {
  return presses.load();
}

TransferWarning::TransferWarning() {
  warnOnFirst.fetch_add(1);
}

TransferWarning::~TransferWarning() {
  warnOnFirst.fetch_sub(1);
}

bool TransferWarning::shown() {
  return warned.load();
}

}  // namespace mv4700::cli
