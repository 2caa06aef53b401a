#pragma once

#include <cstdint>

namespace mv4700 {

// What the chooser is shown for; each of the three file menu commands has one.
enum class ChooserMode { OpenSettings, SaveSettings, FirmwareUpdate };

// How the chooser looks in a mode, and the code that waits for its confirmation.
struct ChooserModeLook {
  const char* pattern;
  const char* buttonCaption;
  const char* prompt;
  bool nameReadOnly;
  std::int16_t waitingCode;
};

constexpr ChooserModeLook chooserModeLook(ChooserMode mode) {
  switch (mode) {
    case ChooserMode::OpenSettings:
      return {"*.mvs", "Open the settings file", "*.mvs to open:", true, 1};
    case ChooserMode::SaveSettings:
      return {"*.mvs", "Save settings file", "Save to .mvs (manually keyin for Save as)", false, 3};
    case ChooserMode::FirmwareUpdate:
      break;
  }
  return {"*.bin", "Open the bin file and update", "Firmware *.bin to open:", true, 5};
}

}  // namespace mv4700
