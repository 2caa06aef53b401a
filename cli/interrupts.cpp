#include "cli/interrupts.h"

#include <atomic>

namespace mv4700::cli {

namespace {

std::atomic<int> interrupts{0};
int depth = 0;
struct sigaction previous {};

extern "C" void countInterrupt(int) {
  interrupts.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
  if (depth++ > 0) return;
  interrupts = 0;
  struct sigaction action {};
  action.sa_handler = countInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a sleeping wait wakes up to look
  sigaction(SIGINT, &action, &previous);
}

InterruptCatcher::~InterruptCatcher() {
  if (--depth > 0) return;
  sigaction(SIGINT, &previous, nullptr);
}

int InterruptCatcher::count() {
  return interrupts.load(std::memory_order_relaxed);
}

}  // namespace mv4700::cli
