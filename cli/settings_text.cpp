#include "cli/settings_text.h"

#include <QJsonValue>
#include <array>

namespace mv4700::cli {

namespace {

enum class Kind { Text, Number, Entry, Switch };

struct FieldInfo {
  Field field;
  const char* key;
  const char* caption;
  Kind kind;
};

constexpr std::array<FieldInfo, 10> kFieldInfo{{
    {Field::Text1, "prefix", "Prefix characters", Kind::Text},
    {Field::Combo1, "start", "Start from character", Kind::Number},
    {Field::Combo2, "count", "Number of character", Kind::Number},
    {Field::Text2, "postfix", "Postfix characters", Kind::Text},
    {Field::Combo3, "delimiter", "Delimiter", Kind::Entry},
    {Field::Text3, "onRemove", "Onremove characters", Kind::Text},
    {Field::Check3, "buzzer", "Buzzer sound", Kind::Switch},
    {Field::Combo4, "baud", "Baud Rate", Kind::Number},
    {Field::Check1, "ps2KeyboardLocked", "PS2 Keyboard Locked (iButton not present)", Kind::Switch},
    {Field::Check2, "capsLockOn", "Always CapsLock ON", Kind::Switch},
}};

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

QString shownValue(const SettingsFields& fields, const FieldInfo& info) {
  switch (info.kind) {
    case Kind::Text:
      return quoted(fields.text(info.field));
    case Kind::Number:
    case Kind::Entry:
      return fields.text(info.field);
    case Kind::Switch:
      return fields.value(info.field) == 1 ? QStringLiteral("on") : QStringLiteral("off");
  }
  return {};
}

// What the settings file keeps: the code of a coded list, not its entry.
QString storedValue(const SettingsFields& fields, const FieldInfo& info) {
  if (info.field == Field::Combo3 || info.field == Field::Combo4) {
    return fields.tag(info.field) + QStringLiteral(" (") + fields.text(info.field) + u')';
  }
  return shownValue(fields, info);
}

}  // namespace

QStringList settingsLines(const SettingsFields& fields) {
  QStringList lines;
  for (const FieldInfo& info : kFieldInfo) {
    lines << QStringLiteral("%1 %2")
                 .arg(QLatin1String(info.caption) + u':', -43)
                 .arg(shownValue(fields, info));
  }
  return lines;
}

QJsonObject settingsJson(const SettingsFields& fields) {
  QJsonObject object;
  for (const FieldInfo& info : kFieldInfo) {
    const QString key = QLatin1String(info.key);
    switch (info.kind) {
      case Kind::Text:
      case Kind::Entry:
        object[key] = fields.text(info.field);
        break;
      case Kind::Number:
        object[key] = fields.text(info.field).toInt();
        break;
      case Kind::Switch:
        object[key] = fields.value(info.field) == 1;
        break;
    }
  }
  return object;
}

QList<FieldDifference> settingsDifferences(const SettingsFields& written,
                                           const SettingsFields& read) {
  QList<FieldDifference> differences;
  for (const FieldInfo& info : kFieldInfo) {
    const QString a = storedValue(written, info);
    const QString b = storedValue(read, info);
    if (a != b) differences.append({QLatin1String(info.key), a, b});
  }
  return differences;
}

}  // namespace mv4700::cli
