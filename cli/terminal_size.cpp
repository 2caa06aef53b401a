#include "cli/terminal_size.h"

#include <sys/ioctl.h>

#include <cstdlib>
#include <cstring>

namespace mv4700::cli {

int terminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

bool dumbTerminal() {
  const char* term = std::getenv("TERM");
  return term && std::strcmp(term, "dumb") == 0;
}

}  // namespace mv4700::cli
