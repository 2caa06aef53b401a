#pragma once

#include <QList>
#include <QString>

#include "settings/field_captions.h"
#include "settings/settings_fields.h"

namespace mv4700 {

// A field's value as one visible line: texts quoted with their control
// characters escaped, numbers and entries as shown, switches "on" or "off".
QString shownFieldValue(const SettingsFields& fields, const FieldCaption& field);

struct FieldDifference {
  QString key;  // the field's JSON key
  QString written;
  QString read;
};

// The fields whose values, as the settings file keeps them (the code of a
// coded list, not only its entry), differ between two sets of settings.
QList<FieldDifference> settingsDifferences(const SettingsFields& written,
                                           const SettingsFields& read);

}  // namespace mv4700
