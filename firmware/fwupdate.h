#pragma once

#include <QString>

#include "seams/outcome.h"

namespace mv4700 {

class Dialogs;
struct DeviceSession;
struct FirmwareImage;
class TransferWatch;

// The firmware update of the chosen ".bin" file: check and confirm the image,
// then flash it over USB, or over RS232 when no reader answers on USB. An
// image that cannot be opened, a refused one and an unconfirmed flash end as
// the check's outcome (FileProblem, Refused, Declined); nothing is sent then.
Outcome Fwupdate(DeviceSession& session, FirmwareImage& image, Dialogs& dialogs,
                 const QString& filePath, TransferWatch* watch = nullptr);

// The update of a reader left in its loader, with no program to answer a
// search: checks and confirms the image as above (saying it is a rescue),
// then waits for the loader through a power cycle and flashes it: on USB, or
// on the session's serial port when the USB search is off.
Outcome Fwrescue(DeviceSession& session, FirmwareImage& image, Dialogs& dialogs,
                 const QString& filePath, TransferWatch* watch = nullptr);

// The flash of an image already checked and confirmed: over USB, or over
// RS232 when no reader answers on USB. Asks nothing; `image` is the
// transfer's own (the transfers keep their place in it).
Outcome flashCheckedImage(DeviceSession& session, FirmwareImage& image,
                          TransferWatch* watch = nullptr);

}  // namespace mv4700
