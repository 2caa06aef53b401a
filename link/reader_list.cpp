#include "link/reader_list.h"

#include "link/com_slots.h"
#include "link/device_session.h"
#include "settings/code_tables.h"

namespace mv4700 {

namespace {

void listUsb(DeviceSession& s, std::vector<ListedReader>& found) {
  const std::uint32_t count = s.usb.readerCount();
  for (std::uint32_t index = 0; index < count; ++index) {
    if (!s.usb.identifyAt(index)) continue;
    found.push_back({true, s.usb.devicePath(), 0, {}, true});
    s.usb.Usbclose();
  }
}

void listSerial(DeviceSession& s, std::vector<ListedReader>& found) {
  SerialLink& serial = s.serial;
  for (int port = 1; port <= kComSlots; ++port) {
    for (int code : kUsedBaudCodes) {
      if (serial.fixedBaudCode && code != *serial.fixedBaudCode) continue;
      if (!serial.probe(port, code)) continue;
      found.push_back({false, serial.port().openPath(), port, baudTable()[code], s.newModel()});
      serial.closePort();
      break;
    }
  }
}

}  // namespace

std::vector<ListedReader> listReaders(DeviceSession& s) {
  std::vector<ListedReader> found;
  if (s.shared.usbSearch) listUsb(s, found);
  if (s.shared.serialSearch) listSerial(s, found);
  return found;
}

}  // namespace mv4700
