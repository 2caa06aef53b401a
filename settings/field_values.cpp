#include "settings/field_values.h"

#include "settings/code_tables.h"

namespace mv4700 {

void selectPosition(SettingsFields& fields, Field list, int position) {
  fields.setText(list, QString::number(position));
}

void selectDelimiter(SettingsFields& fields, int code) {
  fields.setText(Field::Combo3, delimiterTable()[static_cast<std::size_t>(code)]);
  fields.setTag(Field::Combo3, QString::number(code));
}

int validBaudCode(int code) {
  if (code < 0 || code >= static_cast<int>(baudTable().size())) return 0;
  return baudTable()[static_cast<std::size_t>(code)].isEmpty() ? 0 : code;
}

void selectBaud(SettingsFields& fields, int code) {
  fields.setText(Field::Combo4, baudTable()[static_cast<std::size_t>(code)]);
  fields.setTag(Field::Combo4, QString::number(code));
}

}  // namespace mv4700
