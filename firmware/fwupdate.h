#pragma once

#include <QString>

#include "commands/outcome.h"

namespace mv4700 {

class Dialogs;
struct DeviceSession;
struct FirmwareImage;
class TransferWatch;

// The firmware update of the chosen ".bin" file: check and confirm the image,
// then flash it over USB, or over RS232 when no reader answers on USB. A
// refused image and an unconfirmed flash both end as Declined.
Outcome Fwupdate(DeviceSession& session, FirmwareImage& image, Dialogs& dialogs,
                 const QString& filePath, TransferWatch* watch = nullptr);

}  // namespace mv4700
