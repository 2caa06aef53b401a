#include "link/reader_presence.h"

namespace mv4700 {

bool ReaderPresence::readerAnswers() {
  DeviceSession& probe = quiet_.session();
  probe.usb.Usbsearch();
  const bool usb = probe.linkState() == link_state::kOk;
  probe.usb.Usbclose();
  probe.linkState().clear();
  if (usb) return true;
  probe.serial.Comsearch();
  const bool serial = probe.serial.comPort != 0;
  probe.serial.closePort();
  return serial;
}

}  // namespace mv4700
