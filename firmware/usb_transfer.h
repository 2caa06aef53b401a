#pragma once

namespace mv4700 {

struct DeviceSession;
struct FirmwareImage;

// Flashes the image through the USB loader. Entered with the reader open
// (linkState "OK"); always ends with the device closed and linkState "USB".
void usbFirmwareTransfer(DeviceSession& session, FirmwareImage& image);

}  // namespace mv4700
