#pragma once

#include "link/quiet_session.h"

namespace mv4700 {

// Whether a reader answers now: the searches `like` allows (links, fixed
// speed), without a status line, on a session of its own, so the command's
// session is left as it was. Leaves the device and the port closed.
class ReaderPresence {
 public:
  explicit ReaderPresence(DeviceSession& like) : quiet_(like) {}

  bool readerAnswers();

 private:
  QuietSession quiet_;
};

}  // namespace mv4700
