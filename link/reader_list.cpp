#include "link/reader_list.h"

#include "link/com_slots.h"
#include "link/device_session.h"
#include "link/permission_hint.h"
#include "settings/code_tables.h"

namespace mv4700 {

namespace {

void noteHint(QStringList* hints, const QString& hint) {
  if (hints && !hints->contains(hint)) *hints << hint;
}

void listUsb(DeviceSession& s, std::vector<ListedReader>& found, QStringList* hints) {
  const std::uint32_t count = s.usb.readerCount();
  for (std::uint32_t index = 0; index < count; ++index) {
    if (!s.usb.identifyAt(index)) {
      const QString denied = s.usb.lastOpenDenied();
      if (!denied.isEmpty()) noteHint(hints, hidPermissionHint(denied));
      continue;
    }
    found.push_back({true, s.usb.devicePath(), 0, {}, true});
    s.usb.Usbclose();
  }
}

void listSerial(DeviceSession& s, std::vector<ListedReader>& found, QStringList* hints) {
  SerialLink& serial = s.serial;
  // A named port is slot 1, and the only one.
  const bool named = !serial.namedPort.isEmpty();
  for (int port = 1; port <= (named ? 1 : kComSlots); ++port) {
    for (int code : kUsedBaudCodes) {
      if (serial.fixedBaudCode && code != *serial.fixedBaudCode) continue;
      if (named) serial.port().clearError();
      if (!serial.probe(port, code)) {
        const QString unopened = named ? serial.unopenedLine(serial.port().lastError()) : QString();
        if (!unopened.isEmpty()) noteHint(hints, unopened);
        const QString denied = serial.port().lastOpenDenied();
        if (!denied.isEmpty()) noteHint(hints, serialPermissionHint(denied));
        if (!unopened.isEmpty()) break;
        continue;
      }
      found.push_back({false, serial.port().openPath(), port, baudTable()[code], s.newModel()});
      serial.closePort();
      break;
    }
  }
}

}  // namespace

std::vector<ListedReader> listReaders(DeviceSession& s, QStringList* hints) {
  std::vector<ListedReader> found;
  if (s.shared.usbSearch) listUsb(s, found, hints);
  if (s.shared.serialSearch) listSerial(s, found, hints);
  return found;
}

}  // namespace mv4700
