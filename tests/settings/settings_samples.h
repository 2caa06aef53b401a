#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include "tests/support/plain_fields.h"
#include "tests/support/sample_fields.h"

namespace mv4700::testing {

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
