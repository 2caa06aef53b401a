#pragma once

#include <cstdlib>

#include "settings/code_tables.h"
#include "tests/support/plain_fields.h"

namespace mv4700::fuzzing {

// Stops the run with a finding when `ok` is false.
inline void require(bool ok) {
  if (!ok) std::abort();
}

// Whatever the input, the lists show one of their entries with the matching
// code, and the check boxes hold 0 or 1.
inline void requireFieldsInRange(const testing::PlainFields& f) {
  require(characterPositions().contains(f.text(Field::Combo1)));
  require(characterPositions().contains(f.text(Field::Combo2)));
  bool ok = false;
  const int delimiter = f.tag(Field::Combo3).toInt(&ok);
  require(ok && delimiter >= 0 && delimiter <= 4);
  require(f.text(Field::Combo3) == delimiterTable()[static_cast<std::size_t>(delimiter)]);
  const int baud = f.tag(Field::Combo4).toInt(&ok);
  require(ok && baud >= 0 && baud <= 9 && !baudTable()[static_cast<std::size_t>(baud)].isEmpty());
  require(f.text(Field::Combo4) == baudTable()[static_cast<std::size_t>(baud)]);
  for (Field check : {Field::Check1, Field::Check2, Field::Check3}) {
    require(f.value(check) == 0 || f.value(check) == 1);
  }
}

}  // namespace mv4700::fuzzing
