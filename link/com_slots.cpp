#include "link/com_slots.h"

#include <QtGlobal>
#include <algorithm>

#include "link/path_order.h"

namespace mv4700 {

QString comSlotPath(int slot, const std::optional<QString>& listed, QStringList systemPorts) {
  if (slot < 1 || slot > kComSlots) return {};
  QStringList ports;
  if (listed) {
    ports = listed->split(QLatin1Char(','));
  } else {
    std::sort(systemPorts.begin(), systemPorts.end(), numberedPathLess);
    ports = systemPorts;
  }
  return slot <= ports.size() ? ports[slot - 1].trimmed() : QString();
}

std::optional<QString> listedComPorts() {
  if (!qEnvironmentVariableIsSet("MV4700_COM_PORTS")) return std::nullopt;
  return qEnvironmentVariable("MV4700_COM_PORTS");
}

}  // namespace mv4700
