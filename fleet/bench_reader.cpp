#include "fleet/bench_reader.h"

namespace mv4700 {

QString benchReaderName(const ListedReader& reader) {
  if (reader.usb) return QStringLiteral("USB ") + reader.path;
  return QStringLiteral("RS232 COM%1 %2").arg(reader.comPort).arg(reader.path).trimmed();
}

}  // namespace mv4700
