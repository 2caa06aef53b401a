#pragma once

#include "link/device_session.h"
#include "seams/status_box.h"

namespace mv4700 {

// Whether a reader answers now: the searches `like` allows (links, fixed
// speed), without a status line, on a session of its own, so the command's
// session is left as it was. Leaves the device and the port closed.
class ReaderPresence {
 public:
  ReaderPresence(const DeviceSession& like, HidLibrary& hid, SerialService& serial, Clock& clock);

  bool readerAnswers();

 private:
  SilentStatusBox box_;
  DeviceSession probe_;
};

}  // namespace mv4700
