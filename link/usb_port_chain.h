#pragma once

#include <QString>

namespace mv4700 {

// The USB bus and port chain ("1-2.3") a hidraw node's device is plugged
// into, read from sysfs under `sysRoot`; empty when the node is not on USB or
// cannot be traced.
QString usbPortChain(const QString& hidrawPath, const QString& sysRoot = QStringLiteral("/sys"));

}  // namespace mv4700
