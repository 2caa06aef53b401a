#pragma once

#include <QString>

namespace mv4700 {

class Dialogs;
struct DeviceSession;
struct FirmwareImage;

// The firmware update of the chosen ".bin" file: check and confirm the image,
// then flash it over USB, or over RS232 when no reader answers on USB.
void Fwupdate(DeviceSession& session, FirmwareImage& image, Dialogs& dialogs,
              const QString& filePath);

}  // namespace mv4700
