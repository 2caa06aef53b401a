#pragma once

#include <QString>

#include "firmware/firmware_image.h"

namespace mv4700 {

struct FirmwareFileLoad {
  int openFailure = fault::kNone;  // the file could not be opened: 53, 75 or 76
  int fault = fault::kNone;        // opened, but reading it faulted: 6 or 75
};

// Reads the file as raw bytes into `image` and sets fwLength to its length.
// It is opened as openForReading() opens it, and a file too long for the image
// is never read.
FirmwareFileLoad loadFirmwareFile(FirmwareImage& image, const QString& path);

}  // namespace mv4700
