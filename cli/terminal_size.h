#pragma once

namespace mv4700::cli {

// The width of the terminal on `fd` in columns; 80 when it cannot be told.
int terminalColumns(int fd);

// Whether the terminal takes no control sequences (TERM=dumb): a redrawn
// line is then cleared with blanks.
bool dumbTerminal();

}  // namespace mv4700::cli
