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

// For a reader left in its loader, with no program to answer the identify:
// waits up to a minute on the first port that opens, at 9600 baud, for the
// loader's ready byte while the operator powers the reader off and on, then
// flashes the image as above. Ends with the port closed.
Outcome serialFirmwareRescue(DeviceSession& session, FirmwareImage& image,
                             TransferWatch* watch = nullptr);

}  // namespace mv4700
