#include "link/path_order.h"

#include <QStringView>

namespace mv4700 {

namespace {

// The run of digits (or of other characters) that starts at `at`.
QStringView runAt(const QString& text, qsizetype at) {
  const bool digits = text[at].isDigit();
  qsizetype end = at;
  while (end < text.size() && text[end].isDigit() == digits) ++end;
  return QStringView(text).mid(at, end - at);
}

int compareNumbers(QStringView a, QStringView b) {
  while (a.size() > 1 && a.front() == u'0') a = a.mid(1);
  while (b.size() > 1 && b.front() == u'0') b = b.mid(1);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

}  // namespace

bool numberedPathLess(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    const QStringView runA = runAt(a, i);
    const QStringView runB = runAt(b, j);
    const bool numbers = runA.front().isDigit() && runB.front().isDigit();
    const int order = numbers ? compareNumbers(runA, runB) : runA.compare(runB);
    if (order != 0) return order < 0;
    i += runA.size();
    j += runB.size();
  }
  // One ran out first; on a tie the plain text decides, so the order is total.
  if ((a.size() - i) != (b.size() - j)) return a.size() - i < b.size() - j;
  return a < b;
}

}  // namespace mv4700
