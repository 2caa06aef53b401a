#pragma once

#include <QString>

#include "link/reader_list.h"

namespace mv4700 {

// A reader on the bench as found: where it answered, and the name it goes by
// in every line about it.
struct BenchReader {
  ListedReader where;
  QString name;
};

// "USB /dev/hidraw3", "RS232 COM2 /dev/ttyUSB1".
QString benchReaderName(const ListedReader& reader);

}  // namespace mv4700
