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

// For a reader left in its loader, with no program to answer a search: waits
// up to `waitSeconds` for a reader to come onto the bus while the operator
// powers it off and on, then flashes its loader as above. A reader that was
// on the bus all along is not talked to until it has gone and come back.
// NoReader when none came (nothing was sent). Ends as the transfer does.
Outcome usbFirmwareRescue(DeviceSession& session, FirmwareImage& image,
                          TransferWatch* watch = nullptr, double waitSeconds = 60);

}  // namespace mv4700
