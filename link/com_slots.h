#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mv4700 {

inline constexpr int kComSlots = 16;

// The device path behind COM slot 1..16; empty when the slot is unused.
// `listed` is the MV4700_COM_PORTS value when the variable is set (paths
// separated by commas, slot 1 first, empty entries unused); otherwise the
// slots are the system's serial ports in order of their location, numbers
// compared as numbers (ttyS2 before ttyS10).
QString comSlotPath(int slot, const std::optional<QString>& listed, QStringList systemPorts);

// The MV4700_COM_PORTS value, if the variable is set.
std::optional<QString> listedComPorts();

}  // namespace mv4700
