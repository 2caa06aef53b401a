#include <QSaveFile>

#include "seams/number_text.h"
#include "settings/settings_file.h"
#include "settings/settings_file_layout.h"

namespace mv4700 {

namespace {

QString valueLine(const SettingsFields& fields, const SettingsFileSection& section) {
  switch (section.kind) {
    case ValueKind::Text:
    case ValueKind::Position:
      return fields.text(section.field);
    case ValueKind::Delimiter:
    case ValueKind::Baud:
      return fields.tag(section.field);
    case ValueKind::Switch:
      return signedNumberText(fields.value(section.field)) + u' ';
  }
  return {};
}

// A line break inside a value would split it on load, and a character above
// 255 has no byte: such a file would not read back as it was saved.
bool storable(const QString& line) {
  for (QChar c : line) {
    if (c.unicode() > 255 || c == u'\r' || c == u'\n') return false;
  }
  return true;
}

bool writeWhole(const QString& filePath, const QByteArray& bytes) {
  QSaveFile file(filePath);
  if (!file.open(QIODevice::WriteOnly)) return false;
  // commit() alone has been seen to replace the file with a short copy when a
  // write fell short (file size limit); an explicit flush reports it.
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace

std::optional<QByteArray> settingsFileBytes(const SettingsFields& fields) {
  QByteArray bytes;
  auto add = [&bytes](const QString& line) {
    if (!storable(line)) return false;
    bytes += line.toLatin1();
    bytes += "\r\n";
    return true;
  };
  for (const char* signature : kSettingsFileSignature) add(QLatin1String(signature));
  for (const SettingsFileSection& section : kSettingsFileSections) {
    add(QLatin1String(section.header));
    if (!add(valueLine(fields, section))) return std::nullopt;
  }
  return bytes;
}

Outcome Savesettings(const QString& filePath, const SettingsFields& fields, StatusBox& status,
                     Dialogs& dialogs) {
  const std::optional<QByteArray> bytes = settingsFileBytes(fields);
  const Outcome outcome = !bytes                          ? Outcome::Refused
                          : !writeWhole(filePath, *bytes) ? Outcome::FileProblem
                                                          : Outcome::Done;
  if (outcome != Outcome::Done) {
    dialogs.show(Dialogs::Icon::Critical, Dialogs::Buttons::Ok, QStringLiteral("Error"),
                 QStringLiteral("Save settings to file ") + filePath + QStringLiteral(" Error!!"));
    return outcome;
  }
  status.printLine(QStringLiteral("Settings saved ok to : ") + filePath);
  return outcome;
}

}  // namespace mv4700
