#pragma once

#include <gtest/gtest.h>

#include <ostream>

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

inline void PrintTo(const PlainFields::State& s, std::ostream* out) {
  *out << "text \"" << s.text.toStdString() << "\" tag \"" << s.tag.toStdString() << "\" value "
       << s.value << (s.enabled ? " enabled" : " disabled");
}

inline ::testing::AssertionResult sameFields(const PlainFields& actual,
                                             const PlainFields& expected) {
  for (Field f : kAllFields) {
    if (!(actual.state(f) == expected.state(f))) {
      return ::testing::AssertionFailure()
             << "field " << static_cast<int>(f) << ": " << ::testing::PrintToString(actual.state(f))
             << ", expected " << ::testing::PrintToString(expected.state(f));
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace mv4700::testing
