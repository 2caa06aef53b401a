#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace mv4700 {

struct DeviceSession;

// A reader that answered the identify command.
struct ListedReader {
  bool usb = false;
  QString path;     // hidraw node or serial device; empty when the backend cannot tell
  int comPort = 0;  // serial only
  QString baud;     // serial only
  bool newModel = false;
};

// Every reader on USB and on COM1..COM16, each port at the first speed that
// answers; the searches the session allows, and no status line. Leaves the
// device and the port closed. `hints` gets the permission hint of each device
// the system refused to open, and for a named port that could not be opened
// the line that says why.
std::vector<ListedReader> listReaders(DeviceSession& session, QStringList* hints = nullptr);

}  // namespace mv4700
