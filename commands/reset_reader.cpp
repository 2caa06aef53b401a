#include <QByteArray>

#include "commands/commands.h"
#include "link/device_session.h"
#include "seams/dialogs.h"
#include "seams/status_box.h"

namespace mv4700 {

Outcome resetReader(DeviceSession& s, Dialogs& dialogs) {
  if (dialogs.show(Dialogs::Icon::Exclamation, Dialogs::Buttons::OkCancel, "Reset 4700B",
                   "Confirm ? ") != Dialogs::Answer::Ok) {
    return Outcome::Declined;
  }

  bool found = false;
  bool done = false;
  s.usb.Usbsearch();
  if (s.linkState() == link_state::kOk) {
    UsbLink& usb = s.usb;
    usb.sendCommand({0x1B, 0x21, 0x01, 0xFF});
    usb.readReports(1);
    // A reader that never answered has not confirmed the reset.
    const bool answered = usb.bytesReturned >= 9;
    found = true;
    done = answered;
    s.status.printLine(answered ? QStringLiteral("TQ-4700 USB Reset to default OK!")
                                : QStringLiteral("TQ-4700 USB Reset Error!"));
    s.status.refresh();
    usb.Usbclose();
    s.linkState() = link_state::kUsb;
  }
  if (s.linkState() != link_state::kUsb) {
    s.serial.Comsearch();
    if (s.serial.comPort != 0) {
      found = true;
      done = true;  // as the status line says: the reply is not judged
      SerialLink& serial = s.serial;
      serial.txBytes = QByteArray("\x1B\x21\x01\xFF", 4);
      serial.sendTxBytes();
      serial.Comwait(4, 1.0f);  // older readers may not answer: the reply is not judged
      s.status.printLine("TQ-4700 RS232 Reset to default!");
      s.status.refresh();
      serial.closePort();
    }
  }
  s.linkState().clear();
  return searchedOutcome(found, done);
}

}  // namespace mv4700
