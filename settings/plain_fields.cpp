#include "settings/plain_fields.h"

#include "settings/code_tables.h"

namespace mv4700 {

PlainFields::PlainFields() {
  for (Field f : kAllFields) state_[f] = State{};
  state_[Field::Combo1].items = characterPositions();
  state_[Field::Combo1].text = "1";
  state_[Field::Combo2].items = characterPositions();
  state_[Field::Combo2].text = "16";
  state_[Field::Combo3].items = delimiterEntries();
  state_[Field::Combo3].text = delimiterTable()[0];
  state_[Field::Combo3].tag = "0";
  state_[Field::Combo4].items = baudEntries();
  state_[Field::Combo4].text = "9600";
  state_[Field::Combo4].tag = "0";
  state_[Field::Check3].value = 1;
}

void PlainFields::setText(Field f, const QString& text) {
  State& s = state_[f];
  if (s.items.isEmpty()) {
    s.text = text;
  } else if (s.items.contains(text)) {
    s.text = text;
  }
}

}  // namespace mv4700
