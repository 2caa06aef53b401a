#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <QJsonObject>

#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/settings_text.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "commands/commands.h"
#include "settings/plain_fields.h"
#include "settings/settings_file.h"

namespace mv4700::cli {

namespace {

// Under --watch every reader gets its own file: "bench.mvs" becomes
// "bench-001.mvs", "bench-002.mvs"...
QString numberedPath(const QString& path, int readerNumber) {
  if (readerNumber <= 0) return path;
  const QFileInfo info(path);
  const QString suffix = info.suffix();
  const QString number = QStringLiteral("-%1").arg(readerNumber, 3, 10, QLatin1Char('0'));
  if (suffix.isEmpty()) return path + number;
  return path.left(path.size() - suffix.size() - 1) + number + u'.' + suffix;
}

}  // namespace

int highestNumberedFile(const QString& path) {
  const QFileInfo info(path);
  const QString suffix = info.suffix();
  const QString stem = suffix.isEmpty() ? info.fileName() : info.completeBaseName();
  const QRegularExpression pattern(
      QStringLiteral("^%1-(\\d{3,})%2$")
          .arg(QRegularExpression::escape(stem),
               suffix.isEmpty() ? QString() : QRegularExpression::escape(u'.' + suffix)));
  int highest = 0;
  for (const QString& name : info.dir().entryList(QDir::Files)) {
    const QRegularExpressionMatch m = pattern.match(name);
    if (m.hasMatch()) highest = std::max(highest, m.captured(1).toInt());
  }
  return highest;
}

int runRead(RunContext& run) {
  PlainFields fields;
  const Outcome outcome = readSettings(run.session, fields);
  if (outcome != Outcome::Done) return run.exitStatus(outcome);

  run.output.fields()[QStringLiteral("settings")] = settingsJson(fields);
  const QString& file = run.invocation.file;
  if (file.isEmpty()) {
    for (const QString& line : settingsLines(fields)) run.output.line(line);
    return run.exitStatus(outcome);
  }
  const QString path = numberedPath(file, run.readerNumber);
  const Outcome saved = Savesettings(path, fields, run.status, run.dialogs);
  run.status.refresh();
  if (saved == Outcome::Done) run.output.fields()[QStringLiteral("file")] = path;
  return run.exitStatus(saved);
}

}  // namespace mv4700::cli
