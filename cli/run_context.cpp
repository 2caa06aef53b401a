#include "cli/run_context.h"

#include "cli/exit_status.h"
#include "cli/terminal_dialogs.h"

namespace mv4700::cli {

int RunContext::exitStatus(Outcome outcome) const {
  if (dialogs.couldNotAsk()) return exit_status::kUsage;
  if (dialogs.errorShown()) return exit_status::kFileProblem;
  return exitStatusOf(outcome);
}

}  // namespace mv4700::cli
