#pragma once

#include <QList>
#include <QString>

#include "sim/reader_model.h"

namespace mv4700 {

// A fault an emulated reader can be switched into by name, the way
// mv4700-sim takes them as options and as lines on its standard input.
struct FaultSwitch {
  QString name;
  QString valueName;  // empty: a plain on/off switch
  QString description;
};

const QList<FaultSwitch>& readerFaultSwitches();

// Sets fault `name` on `reader`: "off" clears it, a plain switch takes "on"
// (or nothing). Returns why the switch was refused, or an empty text.
QString switchReaderFault(ReaderModel& reader, const QString& name, const QString& value);

}  // namespace mv4700
