#include "settings/default_fields.h"

#include "seams/dialogs.h"
#include "seams/status_box.h"
#include "settings/settings_fields.h"

namespace mv4700 {

void setDefaultFields(SettingsFields& fields) {
  fields.setText(Field::Text1, {});
  fields.setText(Field::Combo1, QStringLiteral("1"));
  fields.setText(Field::Combo2, QStringLiteral("16"));
  fields.setText(Field::Text2, {});
  fields.setText(Field::Combo3, QStringLiteral("<CR+LF>"));
  fields.setTag(Field::Combo3, QStringLiteral("0"));
  fields.setText(Field::Text3, {});
  fields.setValue(Field::Check3, 1);
  fields.setText(Field::Combo4, QStringLiteral("9600"));
  fields.setTag(Field::Combo4, QStringLiteral("0"));
  fields.setValue(Field::Check1, 0);
  fields.setValue(Field::Check2, 0);
}

void clearAllFields(SettingsFields& fields, StatusBox& status, Dialogs& dialogs) {
  if (dialogs.show(Dialogs::Icon::Exclamation, Dialogs::Buttons::OkCancel,
                   QStringLiteral("Clear Fields"),
                   QStringLiteral("Confirm ? ")) != Dialogs::Answer::Ok) {
    return;
  }
  status.clear();
  setDefaultFields(fields);
  status.printLine(QStringLiteral("All fileds sets to default !"));
  status.refresh();
}

}  // namespace mv4700
