#pragma once

#include <csignal>

namespace mv4700::cli {

// Counts Ctrl+C (SIGINT) while it lives, in place of ending the program; the
// handler only counts, and the loops that can stop ask count(). Nested
// catchers share the count; the outermost restores the previous handler.
class InterruptCatcher {
 public:
  InterruptCatcher();
  ~InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  static int count();
};

}  // namespace mv4700::cli
