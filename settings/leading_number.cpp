#include "settings/leading_number.h"

#include <QString>
#include <cmath>

namespace mv4700 {

namespace {

bool isDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

double leadingNumber(QStringView text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;

  QString number;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) number += text[i++];
  int mantissaDigits = 0;
  for (; i < n && isDigit(text[i]); ++i, ++mantissaDigits) number += text[i];
  if (i < n && text[i] == u'.') {
    number += text[i++];
    for (; i < n && isDigit(text[i]); ++i, ++mantissaDigits) number += text[i];
  }
  if (mantissaDigits == 0) return 0.0;

  // The exponent counts only when at least one digit follows its letter.
  if (i < n && QStringView(u"eEdD").contains(text[i])) {
    qsizetype j = i + 1;
    QString exponent = QStringLiteral("e");
    if (j < n && (text[j] == u'+' || text[j] == u'-')) exponent += text[j++];
    const qsizetype digitsFrom = j;
    for (; j < n && isDigit(text[j]); ++j) exponent += text[j];
    if (j > digitsFrom) number += exponent;
  }

  // QString::toDouble is locale-independent; it gives an infinity on overflow
  // and 0 on underflow, both of which suit the range checks.
  return number.toDouble();
}

double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction > 0.5) return below + 1.0;
  if (fraction < 0.5) return below;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

int clampWhole(double rounded, int lo, int hi) {
  if (std::isnan(rounded) || rounded <= lo) return lo;
  if (rounded >= hi) return hi;
  return static_cast<int>(rounded);
}

}  // namespace mv4700
