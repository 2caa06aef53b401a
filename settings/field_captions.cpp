#include "settings/field_captions.h"

#include <array>

namespace mv4700 {

namespace {

constexpr std::array<FieldCaption, 10> kCaptions{{
    {Field::Text1, "prefix", "Prefix characters:", FieldKind::Text},
    {Field::Combo1, "start", "Start from character:", FieldKind::Number},
    {Field::Combo2, "count", "Number of  character:", FieldKind::Number},
    {Field::Text2, "postfix", "Postfix characters:", FieldKind::Text},
    {Field::Combo3, "delimiter", "Delimiter:", FieldKind::Entry},
    {Field::Text3, "onRemove", "Onremove characters:", FieldKind::Text},
    {Field::Check3, "buzzer", "Buzzer sound", FieldKind::Switch},
    {Field::Combo4, "baud", "Baud Rate:", FieldKind::Number},
    {Field::Check1, "ps2KeyboardLocked", "PS2 Keyboard Locked (iButton not present)",
     FieldKind::Switch},
    {Field::Check2, "capsLockOn", "Always CapsLock ON", FieldKind::Switch},
}};

}  // namespace

std::span<const FieldCaption> fieldCaptions() {
  return kCaptions;
}

QString fieldCaption(Field field) {
  for (const FieldCaption& c : kCaptions) {
    if (c.field == field) return QLatin1String(c.caption);
  }
  return {};
}

}  // namespace mv4700
