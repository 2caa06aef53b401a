#pragma once

#include <QJsonObject>
#include <QStringList>

#include "settings/settings_fields.h"

namespace mv4700::cli {

// The settings as a person reads them: one line per field, with the window's
// caption (its blanks run together).
QStringList settingsLines(const SettingsFields& fields);

// The settings as JSON: texts as strings, positions and baud rate as numbers,
// the delimiter as its entry, the switches as true or false.
QJsonObject settingsJson(const SettingsFields& fields);

}  // namespace mv4700::cli
