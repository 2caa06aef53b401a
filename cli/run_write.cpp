#include <QJsonArray>
#include <QJsonObject>

#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/settings_text.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "commands/commands.h"
#include "settings/field_differences.h"
#include "settings/plain_fields.h"
#include "settings/settings_file.h"

namespace mv4700::cli {

namespace {

int verify(RunContext& run, const SettingsFields& written) {
  PlainFields back;
  const Outcome outcome = readSettings(run.session, back);
  if (outcome != Outcome::Done) return run.exitStatus(outcome);

  const QList<FieldDifference> differences = settingsDifferences(written, back);
  QJsonArray json;
  for (const FieldDifference& d : differences) {
    run.output.line(QStringLiteral("%1: written %2, read back %3").arg(d.key, d.written, d.read));
    json.append(QJsonObject{{"field", d.key}, {"written", d.written}, {"read", d.read}});
  }
  run.output.fields()[QStringLiteral("differences")] = json;
  if (differences.isEmpty()) run.output.line(QStringLiteral("verified: every field as written"));
  return differences.isEmpty() ? exit_status::kDone : exit_status::kReaderFailed;
}

}  // namespace

int runWrite(RunContext& run) {
  // The file is read before the reader is searched: a bad file sends nothing.
  PlainFields fields;
  const Outcome loaded = Loadsettings(run.invocation.file, fields, run.status, run.dialogs);
  run.status.refresh();
  if (loaded != Outcome::Done) return run.exitStatus(loaded);
  run.output.fields()[QStringLiteral("settings")] = settingsJson(fields);

  const Outcome outcome = writeSettings(run.session, fields);
  if (outcome != Outcome::Done || !run.invocation.verify) return run.exitStatus(outcome);
  return verify(run, fields);
}

}  // namespace mv4700::cli
