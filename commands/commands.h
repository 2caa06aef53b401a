#pragma once

#include "seams/outcome.h"

namespace mv4700 {

struct DeviceSession;
class Dialogs;
class SettingsFields;

// The device commands of the Programming menu. Each tries USB first and the
// serial ports second, reports in the status box, and ends with linkState
// empty and both the HID device and the serial port closed.
Outcome writeSettings(DeviceSession& session,
                      const SettingsFields& fields);  // "Write settings to 4700"
Outcome readSettings(DeviceSession& session,
                     SettingsFields& fields);                   // "Read settings from 4700"
Outcome resetReader(DeviceSession& session, Dialogs& dialogs);  // "Reset 4700 settings to default"
Outcome readVersion(DeviceSession& session);                    // "Read version from 4700"

}  // namespace mv4700
