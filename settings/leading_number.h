#pragma once

#include <QStringView>

namespace mv4700 {

// The number a text begins with, read the way the settings have always been
// read: blanks and tabs before it are skipped, then an optional sign, digits
// with an optional decimal point, and an optional exponent (E or D). A text
// that does not begin with a number gives 0. Too large a number gives an
// infinity, which the callers' range checks then bring into range.
double leadingNumber(QStringView text);

// The nearest whole number, a half going to the even neighbour (2.5 -> 2,
// 3.5 -> 4). Infinities stay as they are.
double roundHalfEven(double value);

// A rounded value brought into lo..hi without ever converting an out-of-range
// double to int.
int clampWhole(double rounded, int lo, int hi);

}  // namespace mv4700
