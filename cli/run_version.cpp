#include "cli/output.h"
#include "cli/run_context.h"
#include "commands/confirmed_version.h"
#include "link/device_session.h"

namespace mv4700::cli {

int runVersion(RunContext& run) {
  const Outcome outcome = readConfirmedVersion(run.session);
  if (outcome == Outcome::Done) {
    run.output.line(run.session.replyText);
    run.output.fields()[QStringLiteral("version")] = run.session.replyText;
  }
  return run.exitStatus(outcome);
}

}  // namespace mv4700::cli
