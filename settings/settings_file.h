#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "seams/dialogs.h"
#include "seams/outcome.h"
#include "seams/status_box.h"
#include "settings/settings_fields.h"

class QIODevice;

namespace mv4700 {

// Writes the fields to a settings file (Latin-1, CR LF). The file is replaced
// as a whole or not at all: on any failure the error box shows, no success
// line is printed and an existing file stays as it was. Refused: a text the
// file cannot hold; FileProblem: the file could not be written.
Outcome Savesettings(const QString& filePath, const SettingsFields& fields, StatusBox& status,
                     Dialogs& dialogs);

// Reads a settings file into the fields, each value as soon as its section is
// read; a wrong signature or header stops with its error number (Refused).
// FileProblem: the file could not be opened.
Outcome Loadsettings(const QString& filePath, SettingsFields& fields, StatusBox& status,
                     Dialogs& dialogs);

// The 22 lines Savesettings writes, or nothing when a text holds a line break
// or a character above 255 (it would not load back as it was).
std::optional<QByteArray> settingsFileBytes(const SettingsFields& fields);

// The reading part of Loadsettings, on a device opened for reading; `filePath`
// is only shown.
Outcome loadSettingsFrom(QIODevice& file, const QString& filePath, SettingsFields& fields,
                         StatusBox& status, Dialogs& dialogs);

}  // namespace mv4700
