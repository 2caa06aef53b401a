#include "cli/settings_text.h"

#include <QJsonValue>

#include "settings/field_differences.h"

namespace mv4700::cli {

QStringList settingsLines(const SettingsFields& fields) {
  QStringList lines;
  for (const FieldCaption& info : fieldCaptions()) {
    QString caption = QString::fromLatin1(info.caption).simplified();
    if (!caption.endsWith(u':')) caption += u':';
    lines << QStringLiteral("%1 %2").arg(caption, -43).arg(shownFieldValue(fields, info));
  }
  return lines;
}

QJsonObject settingsJson(const SettingsFields& fields) {
  QJsonObject object;
  for (const FieldCaption& info : fieldCaptions()) {
    const QString key = QLatin1String(info.key);
    switch (info.kind) {
      case FieldKind::Text:
      case FieldKind::Entry:
        object[key] = fields.text(info.field);
        break;
      case FieldKind::Number:
        object[key] = fields.text(info.field).toInt();
        break;
      case FieldKind::Switch:
        object[key] = fields.value(info.field) == 1;
        break;
    }
  }
  return object;
}

}  // namespace mv4700::cli
