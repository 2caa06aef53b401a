#pragma once

#include "seams/outcome.h"

namespace mv4700 {

struct DeviceSession;
struct FirmwareImage;
class TransferWatch;

// Finds the reader on a serial port and flashes the image through its RS232
// loader, one acknowledged frame per byte. Ends with the port closed, except
// when no port answered (the port is then as the search left it).
Outcome serialFirmwareTransfer(DeviceSession& session, FirmwareImage& image,
                               TransferWatch* watch = nullptr);

}  // namespace mv4700
