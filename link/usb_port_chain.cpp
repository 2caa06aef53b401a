#include "link/usb_port_chain.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace mv4700 {

QString usbPortChain(const QString& hidrawPath, const QString& sysRoot) {
  const QString node = QFileInfo(hidrawPath).fileName();
  if (node.isEmpty()) return {};
  // .../usb1/1-2/1-2.3/1-2.3:1.0/0003:10C4:84B7.0001/hidraw/hidraw4: the
  // deepest directory named bus-port[.port...] is the device.
  const QString device =
      QFileInfo(sysRoot + QStringLiteral("/class/hidraw/") + node + QStringLiteral("/device"))
          .canonicalFilePath();
  if (device.isEmpty()) return {};
  static const QRegularExpression chain(QStringLiteral("^\\d+-\\d+(\\.\\d+)*$"));
  QString found;
  for (const QString& part : device.split(QLatin1Char('/'), Qt::SkipEmptyParts))
    if (chain.match(part).hasMatch()) found = part;
  return found;
}

}  // namespace mv4700
