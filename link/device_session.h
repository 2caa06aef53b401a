#pragma once

#include <QString>

#include "link/link_state.h"
#include "link/serial_link.h"
#include "link/usb_link.h"

namespace mv4700 {

class Clock;
class StatusBox;

// The module state that the device commands share: both links, the flags they
// set, and the last reply text.
struct DeviceSession {
  DeviceSession(HidLibrary& hid, SerialService& port, StatusBox& status, Clock& clock)
      : status(status),
        clock(clock),
        usb(hid, status, shared),
        serial(port, status, clock, shared) {}

  StatusBox& status;
  Clock& clock;
  LinkShared shared;
  UsbLink usb;
  SerialLink serial;
  QString replyText;
  // Where the reader of the last USB firmware transfer is plugged in, so the
  // check after it asks that reader and never a neighbour (empty: unknown).
  QString flashedUsbLocation;

  QString& linkState() { return shared.linkState; }
  bool& newModel() { return shared.newModel; }
};

}  // namespace mv4700
