#include "link/permission_hint.h"

namespace mv4700 {

namespace {

QString accessDenied(const QString& devicePath) {
  return QStringLiteral(
             "Access to %1 was denied: install the udev rule %2 (it comes with the "
             "mv4700-tool package)")
      .arg(devicePath, QStringLiteral(MV4700_INSTALLED_UDEV_RULE));
}

}  // namespace

QString hidPermissionHint(const QString& devicePath) {
  return accessDenied(devicePath) + QStringLiteral(" and replug the reader.");
}

QString serialPermissionHint(const QString& devicePath) {
  return accessDenied(devicePath) +
         QStringLiteral(" or join the dialout group, then replug the reader.");
}

}  // namespace mv4700
