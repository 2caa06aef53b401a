#pragma once

#include <QString>

namespace mv4700 {

// Device paths in the order of their numbers: runs of digits compare as
// numbers, the rest as text, so /dev/ttyS2 comes before /dev/ttyS10 and
// /dev/hidraw9 before /dev/hidraw10.
bool numberedPathLess(const QString& a, const QString& b);

}  // namespace mv4700
