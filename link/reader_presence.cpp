#include "link/reader_presence.h"

namespace mv4700 {

ReaderPresence::ReaderPresence(const DeviceSession& like, HidLibrary& hid, SerialService& serial,
                               Clock& clock)
    : probe_(hid, serial, box_, clock) {
  probe_.shared.usbSearch = like.shared.usbSearch;
  probe_.shared.serialSearch = like.shared.serialSearch;
  probe_.serial.fixedBaudCode = like.serial.fixedBaudCode;
  probe_.serial.namedPort = like.serial.namedPort;
}

bool ReaderPresence::readerAnswers() {
  probe_.usb.Usbsearch();
  const bool usb = probe_.linkState() == link_state::kOk;
  probe_.usb.Usbclose();
  probe_.linkState().clear();
  if (usb) return true;
  probe_.serial.Comsearch();
  const bool serial = probe_.serial.comPort != 0;
  probe_.serial.closePort();
  return serial;
}

}  // namespace mv4700
