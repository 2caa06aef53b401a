#pragma once

#include <QColor>
#include <QFont>

namespace mv4700 {

// The classic sans of the window: "MS Sans Serif" where installed, else
// "Liberation Sans", else whatever sans the system offers.
QFont classicFont(qreal pointSize, bool bold = false);

// 15 twips are one logical pixel.
inline constexpr int kTwipsPerPixel = 15;
constexpr int pixels(int twips) {
  return twips / kTwipsPerPixel;
}

}  // namespace mv4700
