#pragma once

#include "seams/outcome.h"

namespace mv4700 {

struct DeviceSession;
struct FirmwareImage;
class TransferWatch;

// Flashes the image through the USB loader. Entered with the reader open
// (linkState "OK"); always ends with the device closed and linkState "USB".
Outcome usbFirmwareTransfer(DeviceSession& session, FirmwareImage& image,
                            TransferWatch* watch = nullptr);

}  // namespace mv4700
