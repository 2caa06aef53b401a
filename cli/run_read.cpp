#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/settings_text.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "commands/commands.h"
#include "settings/plain_fields.h"
#include "settings/save_target.h"
#include "settings/settings_file.h"

namespace mv4700::cli {

QString numberedPath(const QString& path, int readerNumber) {
  if (readerNumber <= 0) return path;
  const QFileInfo info(path);
  const QString suffix = info.suffix();
  const QString number = QStringLiteral("-%1").arg(readerNumber, 3, 10, QLatin1Char('0'));
  if (suffix.isEmpty()) return path + number;
  return path.left(path.size() - suffix.size() - 1) + number + u'.' + suffix;
}

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
  const QString& file = run.invocation.file;
  const QString path = numberedPath(file, run.readerNumber);
  // A file that cannot be written is found before the reader is asked.
  if (!file.isEmpty()) {
    const Outcome writable = checkSaveTarget(path, run.dialogs);
    if (writable != Outcome::Done) return run.exitStatus(writable);
  }
  PlainFields fields;
  const Outcome outcome = readSettings(run.session, fields);
  if (outcome != Outcome::Done) return run.exitStatus(outcome);

  run.output.fields()[QStringLiteral("settings")] = settingsJson(fields);
  if (file.isEmpty()) {
    for (const QString& line : settingsLines(fields)) run.output.line(line);
    return run.exitStatus(outcome);
  }
  const Outcome saved = Savesettings(path, fields, run.status, run.dialogs);
  run.status.refresh();
  if (saved == Outcome::Done) run.output.fields()[QStringLiteral("file")] = path;
  return run.exitStatus(saved);
}

}  // namespace mv4700::cli
