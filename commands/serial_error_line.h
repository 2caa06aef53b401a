#pragma once

#include <QString>

#include "seams/number_text.h"

namespace mv4700 {

// A serial command's error line: the text, then the recorded failure number
// with its leading blank (" 0" when none was recorded).
inline QString serialErrorLine(const QString& text, int failure) {
  return text + signedNumberText(failure);
}

}  // namespace mv4700
