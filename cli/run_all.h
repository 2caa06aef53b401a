#pragma once

#include <optional>

#include "cli/run_context.h"

namespace mv4700::cli {

// --all: the command on every reader found, all at once; with --watch, on
// each reader as it answers until Ctrl+C. `run` is the front end's own
// context: its status box and dialogs check the input and ask the question
// once. Returns 0 when every reader is done, else the highest status any
// reader gave; 1 when none answered.
int runAll(RunContext& run);

// Before --watch awaits its first reader: reads and checks the command's
// input (the settings file, the image) and asks its question once; each
// reader's copy of the question is then answered yes. The exit status when
// that ends the run (bad input, "no", a question that cannot be asked).
std::optional<int> checkInputOnce(RunContext& run);

}  // namespace mv4700::cli
