#pragma once

#include "settings/settings_fields.h"

namespace mv4700 {

// Writers shared by the settings image and the settings file, so that a list
// shows its entry and keeps its code the same way whichever path fills it.

// Selects "1".."16" in Combo1 or Combo2; `position` must already be in 1..16.
void selectPosition(SettingsFields& fields, Field list, int position);

// Selects delimiter `code` (0..4) in Combo3 and keeps it as the Tag.
void selectDelimiter(SettingsFields& fields, int code);

// Codes 1..5, 7 and anything outside 0..9 are not baud codes: they give 0.
int validBaudCode(int code);

// Selects the entry of baud `code` (0, 6, 8 or 9) in Combo4 and keeps it as the Tag.
void selectBaud(SettingsFields& fields, int code);

}  // namespace mv4700
