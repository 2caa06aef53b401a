#pragma once

#include <QList>
#include <QString>

#include "sim/reader_faults.h"
#include "sim/serial_wire.h"

namespace mv4700 {

// The faults of a serial line and its adapter, switched by name as
// mv4700-sim takes them as options and as lines on its standard input.
const QList<FaultSwitch>& lineFaultSwitches();

// Sets line fault `name` on `line`: "off" clears it. Returns why the switch
// was refused, or an empty text.
QString switchLineFault(WireModel& line, const QString& name, const QString& value);

}  // namespace mv4700
