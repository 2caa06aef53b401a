#pragma once

#include "cli/run_context.h"

namespace mv4700::cli {

// --watch: runs `runner` on a reader, waits until that reader is gone and the
// next one answers, and runs again; one summary line per reader, and a tally
// when Ctrl+C ends it.
int watchLoop(RunContext& run, Runner runner);

}  // namespace mv4700::cli
