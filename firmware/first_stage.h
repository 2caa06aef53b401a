#pragma once

#include <QString>

#include "firmware/firmware_image.h"

namespace mv4700 {

class Dialogs;

// Loads the chosen image, checks its identity marker, shows its version text
// and asks the operator. True when the operator confirmed the flash. An open
// failure also clears linkState; nothing here prints to the status box.
bool confirmFirmwareFile(FirmwareImage& image, Dialogs& dialogs, QString& linkState,
                         const QString& filePath);

}  // namespace mv4700
