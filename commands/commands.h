#pragma once

namespace mv4700 {

struct DeviceSession;
class Dialogs;
class SettingsFields;

// The device commands of the Programming menu. Each tries USB first and the
// serial ports second, reports in the status box, and ends with linkState
// empty and both the HID device and the serial port closed.
void writeSettings(DeviceSession& session,
                   const SettingsFields& fields);                   // "Write settings to 4700"
void readSettings(DeviceSession& session, SettingsFields& fields);  // "Read settings from 4700"
void resetReader(DeviceSession& session, Dialogs& dialogs);  // "Reset 4700 settings to default"
void readVersion(DeviceSession& session);                    // "Read version from 4700"

}  // namespace mv4700
