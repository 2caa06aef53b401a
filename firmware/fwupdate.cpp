#include "firmware/fwupdate.h"

#include "firmware/first_stage.h"
#include "firmware/serial_transfer.h"
#include "firmware/usb_transfer.h"
#include "link/device_session.h"

namespace mv4700 {

Outcome Fwupdate(DeviceSession& session, FirmwareImage& image, Dialogs& dialogs,
                 const QString& filePath, TransferWatch* watch) {
  if (const Outcome checked = confirmFirmwareFile(image, dialogs, session.linkState(), filePath);
      checked != Outcome::Done)
    return checked;
  return flashCheckedImage(session, image, watch);
}

Outcome flashCheckedImage(DeviceSession& session, FirmwareImage& image, TransferWatch* watch) {
  Outcome outcome = Outcome::NoReader;
  session.flashedUsbLocation.clear();
  session.usb.Usbsearch();
  if (session.linkState() == link_state::kOk) outcome = usbFirmwareTransfer(session, image, watch);
  if (session.linkState() != link_state::kUsb)
    outcome = serialFirmwareTransfer(session, image, watch);
  session.linkState().clear();
  return outcome;
}

Outcome Fwrescue(DeviceSession& session, FirmwareImage& image, Dialogs& dialogs,
                 const QString& filePath, TransferWatch* watch) {
  if (const Outcome checked =
          confirmFirmwareFile(image, dialogs, session.linkState(), filePath, /*rescue=*/true);
      checked != Outcome::Done)
    return checked;
  session.flashedUsbLocation.clear();
  // A front end that named a serial port has turned the USB search off.
  const Outcome outcome = session.shared.usbSearch ? usbFirmwareRescue(session, image, watch)
                                                   : serialFirmwareRescue(session, image, watch);
  session.linkState().clear();
  return outcome;
}

}  // namespace mv4700
