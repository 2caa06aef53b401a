#pragma once

#include "tests/support/plain_fields.h"

namespace mv4700::testing {

// Every field away from its start-up value.
inline void setNonDefaults(SettingsFields& f) {
  f.setText(Field::Text1, "ID:");
  f.setText(Field::Combo1, "3");
  f.setText(Field::Combo2, "8");
  f.setText(Field::Text2, "x,y");
  f.setText(Field::Combo3, "<TAB>");
  f.setTag(Field::Combo3, "3");
  f.setText(Field::Text3, "X");
  f.setValue(Field::Check3, 0);
  f.setText(Field::Combo4, "19200");
  f.setTag(Field::Combo4, "6");
  f.setValue(Field::Check1, 1);
  f.setValue(Field::Check2, 1);
}

inline PlainFields nonDefaultFields() {
  PlainFields f;
  setNonDefaults(f);
  return f;
}

// The fields of the worked example, whose write image is
// 1B 1D 00 10 1F 06 FF 03 02 08 03 "ID:" ... 01 "X" ... 01 00.
inline PlainFields workedExampleFields() {
  PlainFields f = nonDefaultFields();
  f.setText(Field::Text2, "");
  f.setValue(Field::Check3, 1);
  f.setValue(Field::Check2, 0);
  return f;
}

}  // namespace mv4700::testing
