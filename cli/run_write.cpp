#include <QJsonArray>
#include <QJsonObject>

#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/settings_text.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "commands/commands.h"
#include "commands/verified_write.h"
#include "settings/field_differences.h"
#include "settings/plain_fields.h"
#include "settings/settings_file.h"

namespace mv4700::cli {

namespace {

// What the read back found, on standard output and in the JSON.
void showComparison(RunContext& run, const VerifiedWrite& result) {
  QJsonArray json;
  for (const FieldDifference& d : result.differences) {
    run.output.line(differenceLine(d));
    json.append(QJsonObject{{"field", d.key}, {"written", d.written}, {"read", d.read}});
  }
  run.output.fields()[QStringLiteral("differences")] = json;
  if (result.differences.isEmpty()) run.output.line(verifiedLine());
}

}  // namespace

int runWrite(RunContext& run) {
  // The file is read before the reader is searched: a bad file sends nothing.
  PlainFields fields;
  const Outcome loaded = Loadsettings(run.invocation.file, fields, run.status, run.dialogs);
  run.status.refresh();
  if (loaded != Outcome::Done) return run.exitStatus(loaded);
  run.output.fields()[QStringLiteral("settings")] = settingsJson(fields);

  if (!run.invocation.verify) return run.exitStatus(writeSettings(run.session, fields));
  // Read back at any speed: a written baud code moves the reader to another.
  const VerifiedWrite result = writeVerifiedSettings(run.session, fields);
  if (result.compared) showComparison(run, result);
  if (!result.differences.isEmpty()) return exit_status::kReaderFailed;
  return run.exitStatus(result.outcome);
}

}  // namespace mv4700::cli
