#include "settings/field_differences.h"

namespace mv4700 {

namespace {

// Control characters are shown escaped, so that every text is one visible line.
QString quoted(const QString& text) {
  QString shown = QStringLiteral("\"");
  for (QChar c : text) {
    if (c == u'"' || c == u'\\') {
      shown += u'\\';
      shown += c;
    } else if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      shown += c;
    }
  }
  return shown + u'"';
}

QString storedValue(const SettingsFields& fields, const FieldCaption& info) {
  if (info.field == Field::Combo3 || info.field == Field::Combo4) {
    return fields.tag(info.field) + QStringLiteral(" (") + fields.text(info.field) + u')';
  }
  return shownFieldValue(fields, info);
}

}  // namespace

QString shownFieldValue(const SettingsFields& fields, const FieldCaption& info) {
  switch (info.kind) {
    case FieldKind::Text:
      return quoted(fields.text(info.field));
    case FieldKind::Number:
    case FieldKind::Entry:
      return fields.text(info.field);
    case FieldKind::Switch:
      return fields.value(info.field) == 1 ? QStringLiteral("on") : QStringLiteral("off");
  }
  return {};
}

QList<FieldDifference> settingsDifferences(const SettingsFields& written,
                                           const SettingsFields& read) {
  QList<FieldDifference> differences;
  for (const FieldCaption& info : fieldCaptions()) {
    const QString a = storedValue(written, info);
    const QString b = storedValue(read, info);
    if (a != b) differences.append({QLatin1String(info.key), a, b});
  }
  return differences;
}

}  // namespace mv4700
