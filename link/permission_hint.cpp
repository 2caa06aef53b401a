#include "link/permission_hint.h"

namespace mv4700 {

namespace {

QString accessDenied(const QString& devicePath) {
  return QStringLiteral(
             "Access to %1 was denied: install the udev rule 60-mv4700.rules "
             "(dist/60-mv4700.rules)")
      .arg(devicePath);
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
