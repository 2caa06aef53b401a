#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "settings/settings_file.h"

namespace mv4700::testing {

// Writes `bytes` to a new file at `path`; false when it could not.
inline bool putFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Writes `fields` as a settings file at `path`, as the window saves it.
inline bool putSettingsFile(const QString& path, const SettingsFields& fields) {
  const std::optional<QByteArray> bytes = settingsFileBytes(fields);
  return bytes && putFile(path, *bytes);
}

}  // namespace mv4700::testing
