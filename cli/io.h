#pragma once

#include <cstdio>

namespace mv4700::cli {

// Where the command line reads and writes: results on `out`, status lines and
// questions on `err`, answers (and a USB reader's typing in test mode) on `in`.
struct Io {
  std::FILE* in = stdin;
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool inIsTerminal = false;
  bool errIsTerminal = false;
};

}  // namespace mv4700::cli
