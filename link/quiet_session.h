#pragma once

#include "link/device_session.h"
#include "seams/status_box.h"

namespace mv4700 {

// A session of its own on the devices, links and search scope of `like`
// (named port, fixed speed, pinned USB reader), whose status lines go
// nowhere: for a check that must leave the command's session and its status
// box as they were.
class QuietSession {
 public:
  explicit QuietSession(DeviceSession& like);

  DeviceSession& session() { return session_; }

 private:
  SilentStatusBox box_;
  DeviceSession session_;
};

}  // namespace mv4700
