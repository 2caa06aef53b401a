#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "settings/settings_fields.h"

namespace mv4700::cli {

// The settings as a person reads them: one line per field, with the window's caption.
QStringList settingsLines(const SettingsFields& fields);

// The settings as JSON: texts as strings, positions and baud rate as numbers,
// the delimiter as its entry, the switches as true or false.
QJsonObject settingsJson(const SettingsFields& fields);

struct FieldDifference {
  QString key;  // the JSON key
  QString written;
  QString read;
};

// The fields whose values (as the settings file keeps them) differ.
QList<FieldDifference> settingsDifferences(const SettingsFields& written,
                                           const SettingsFields& read);

}  // namespace mv4700::cli
