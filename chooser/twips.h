#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace mv4700 {

// Chooser geometry is given in twips; 15 twips are one logical pixel.
constexpr QPoint twipsPoint(int x, int y) {
  return {x / 15, y / 15};
}
constexpr QRect twipsRect(int left, int top, int width, int height) {
  return {twipsPoint(left, top), QSize(width / 15, height / 15)};
}

}  // namespace mv4700
