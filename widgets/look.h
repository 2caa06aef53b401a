#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace mv4700 {

// The classic sans of the window: "MS Sans Serif" where installed, else
// "Liberation Sans", else whatever sans the system offers.
QFont classicFont(qreal pointSize, bool bold = false);

// 15 twips are one logical pixel; a length between pixels goes to the nearest one.
inline constexpr int kTwipsPerPixel = 15;
constexpr int pixels(int twips) {
  const int half = kTwipsPerPixel / 2;
  return (twips >= 0 ? twips + half : twips - half) / kTwipsPerPixel;
}
constexpr QPoint twipsPoint(int x, int y) {
  return {pixels(x), pixels(y)};
}
constexpr QRect twipsRect(int left, int top, int width, int height) {
  return {twipsPoint(left, top), QSize(pixels(width), pixels(height))};
}

}  // namespace mv4700
