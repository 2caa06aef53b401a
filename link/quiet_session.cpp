#include "link/quiet_session.h"

namespace mv4700 {

QuietSession::QuietSession(DeviceSession& like)
    : session_(like.usb.library(), like.serial.port(), box_, like.clock) {
  session_.shared.usbSearch = like.shared.usbSearch;
  session_.shared.serialSearch = like.shared.serialSearch;
  session_.serial.fixedBaudCode = like.serial.fixedBaudCode;
  session_.serial.namedPort = like.serial.namedPort;
  session_.usb.pinTo(like.usb.pinnedLocation());
}

}  // namespace mv4700
