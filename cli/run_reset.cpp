#include "cli/run_context.h"
#include "cli/terminal_dialogs.h"
#include "commands/commands.h"

namespace mv4700::cli {

int runReset(RunContext& run) {
  return run.exitStatus(resetReader(run.session, run.dialogs));
}

}  // namespace mv4700::cli
