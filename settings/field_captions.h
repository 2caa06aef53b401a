#pragma once

#include <QString>
#include <span>

#include "settings/settings_fields.h"

namespace mv4700 {

// What a field holds, for a front end that shows or compares it.
enum class FieldKind { Text, Number, Entry, Switch };

// One settings field as the window captions it and as JSON names it.
struct FieldCaption {
  Field field;
  const char* key;      // the JSON key
  const char* caption;  // the window's label or check box text, as shown there
  FieldKind kind;
};

// The ten fields in the window's order: the left column, then the right.
std::span<const FieldCaption> fieldCaptions();

// The window's caption of `field`.
QString fieldCaption(Field field);

}  // namespace mv4700
