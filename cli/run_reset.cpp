#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/terminal_dialogs.h"
#include "commands/verified_write.h"

namespace mv4700::cli {

// Exit 0 only once the settings read back are the defaults: on RS232 the
// reset's own answer is not judged.
int runReset(RunContext& run) {
  const VerifiedWrite result = resetVerifiedSettings(run.session, run.dialogs);
  for (const FieldDifference& d : result.differences) run.output.line(differenceLine(d));
  if (!result.differences.isEmpty()) return exit_status::kReaderFailed;
  return run.exitStatus(result.outcome);
}

}  // namespace mv4700::cli
