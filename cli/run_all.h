#pragma once

#include "cli/run_context.h"

namespace mv4700::cli {

// --all: the command on every reader found, all at once; with --watch, on
// each reader as it answers until Ctrl+C. `run` is the front end's own
// context: its status box and dialogs check the input and ask the question
// once. Returns 0 when every reader is done, else the highest status any
// reader gave; 1 when none answered.
int runAll(RunContext& run);

}  // namespace mv4700::cli
