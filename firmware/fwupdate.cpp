#include "firmware/fwupdate.h"

#include "firmware/first_stage.h"
#include "firmware/serial_transfer.h"
#include "firmware/usb_transfer.h"
#include "link/device_session.h"

namespace mv4700 {

void Fwupdate(DeviceSession& session, FirmwareImage& image, Dialogs& dialogs,
              const QString& filePath) {
  if (!confirmFirmwareFile(image, dialogs, session.linkState(), filePath)) return;

  session.usb.Usbsearch();
  if (session.linkState() == link_state::kOk) usbFirmwareTransfer(session, image);
  if (session.linkState() != link_state::kUsb) serialFirmwareTransfer(session, image);
  session.linkState().clear();
}

}  // namespace mv4700
