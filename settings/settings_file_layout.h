#pragma once

#include <array>

#include "settings/settings_fields.h"

namespace mv4700 {

// The settings file: two signature lines, then ten sections of a header line
// and one value line, in this order. Error numbers on load count the checked
// lines: 1 and 2 for the signature, 3..12 for the section headers.
inline constexpr std::array<const char*, 2> kSettingsFileSignature{
    "[4700-01 Settings File]", "iButton Reader 4700 Mirevantis Inc."};

// How a section's value is written and read.
enum class ValueKind {
  Text,       // the text itself, at most 7 characters taken on load
  Position,   // the shown entry "1".."16"
  Delimiter,  // the delimiter code held in the Tag
  Baud,       // the baud code held in the Tag
  Switch,     // a check box value, written as " 0 " or " 1 "
};

struct SettingsFileSection {
  const char* header;
  Field field;
  ValueKind kind;
};

inline constexpr std::array<SettingsFileSection, 10> kSettingsFileSections{{
    {"[PREFIX]", Field::Text1, ValueKind::Text},
    {"[START]", Field::Combo1, ValueKind::Position},
    {"[NUMBER]", Field::Combo2, ValueKind::Position},
    {"[POSTIFIX]", Field::Text2, ValueKind::Text},
    {"[DELIMITER]", Field::Combo3, ValueKind::Delimiter},
    {"[ONREMOVE]", Field::Text3, ValueKind::Text},
    {"[BUZZER]", Field::Check3, ValueKind::Switch},
    {"[BAUD]", Field::Combo4, ValueKind::Baud},
    {"[PS2KBLOCK]", Field::Check1, ValueKind::Switch},
    {"[CAPSLOCK]", Field::Check2, ValueKind::Switch},
}};

}  // namespace mv4700
