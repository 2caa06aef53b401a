#pragma once

#include <QString>

#include "firmware/firmware_image.h"
#include "seams/outcome.h"

namespace mv4700 {

class Dialogs;

// Loads the chosen image, checks its identity marker, shows its version text
// and asks the operator. Done when the operator confirmed the flash, Declined
// when not; FileProblem when the file could not be opened (linkState is then
// cleared), Refused when it is no firmware. Nothing here prints to the status box.
// A rescue's question says so first.
Outcome confirmFirmwareFile(FirmwareImage& image, Dialogs& dialogs, QString& linkState,
                            const QString& filePath, bool rescue = false);

}  // namespace mv4700
