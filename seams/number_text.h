#pragma once

#include <QString>

namespace mv4700 {

// A number as the status lines and message boxes show it: one leading blank in
// place of the sign for zero and positive numbers, a minus sign otherwise.
inline QString signedNumberText(long long n) {
  return n < 0 ? QString::number(n) : QStringLiteral(" ") + QString::number(n);
}

// Upper-case hexadecimal without leading zeros ("0" for zero).
inline QString hexText(unsigned long long n) {
  return QString::number(n, 16).toUpper();
}

}  // namespace mv4700
