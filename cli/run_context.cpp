#include "cli/run_context.h"

#include "cli/exit_status.h"
#include "cli/terminal_dialogs.h"

namespace mv4700::cli {

int RunContext::exitStatus(Outcome outcome) const {
  lastOutcome = outcome;
  if (outcome == Outcome::Declined && dialogs.couldNotAsk()) return exit_status::kUsage;
  if (outcome == Outcome::Declined && dialogs.interrupted()) return exit_status::kInterrupted;
  return exitStatusOf(outcome);
}

}  // namespace mv4700::cli
