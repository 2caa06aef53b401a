#include <QByteArray>
#include <QString>
#include <algorithm>

#include "commands/commands.h"
#include "commands/serial_error_line.h"
#include "commands/version_text.h"
#include "link/device_session.h"
#include "seams/status_box.h"

namespace mv4700 {
namespace {

constexpr int kIndexOutOfRange = 9;

bool readOverUsb(DeviceSession& s) {
  UsbLink& usb = s.usb;
  s.status.printLine("Reading firmware version from TQ-4700 USB...");
  s.status.refresh();
  usb.sendCommand({0x1B, 0x01});
  usb.readReports(9);
  const bool read = usb.replyStartsWith({0x00, 0x1B, 0x01});
  if (!read) {
    s.status.printLine("Read firmware version from TQ-4700 USB Error!");
  } else {
    s.replyText = usbVersionText(usb.inBuffer, usb.bytesReturned);
  }
  s.status.refresh();
  usb.Usbclose();
  s.linkState() = link_state::kUsb;
  return read;
}

bool readOverSerial(DeviceSession& s) {
  SerialLink& serial = s.serial;
  s.status.printLine("Reading firmware version from TQ-4700 RS232...");
  s.status.refresh();
  serial.txBytes = QByteArray("\x1B\x01", 2);
  serial.port().clearError();
  serial.sendTxBytes();
  serial.Comread();

  int failure = serial.port().lastError();
  bool read = false;
  const QByteArray& rx = serial.rxBytes;
  if (rx.size() >= 10 && rx[0] == '\x1B' && rx[1] == '\x01') {
    const int n = static_cast<std::uint8_t>(rx[2]);
    s.replyText.clear();
    for (int i = 0; i < n; ++i) {
      if (3 + i < rx.size()) {
        s.replyText += QChar(static_cast<std::uint8_t>(rx[3 + i]));
      } else {
        failure = kIndexOutOfRange;  // the length promised more than arrived
      }
    }
    read = true;
  }
  if (failure != 0 || !read) {
    s.status.printLine(serialErrorLine("Read firmware version from TQ-4700 RS232 Error!", failure));
  }
  s.status.refresh();
  serial.closePort();
  return failure == 0 && read;
}

}  // namespace

Outcome readVersion(DeviceSession& s) {
  bool found = false;
  bool read = false;
  s.replyText.clear();
  s.usb.Usbsearch();
  if (s.linkState() == link_state::kOk) {
    found = true;
    read = readOverUsb(s);
  }
  if (s.linkState() != link_state::kUsb) {
    s.serial.Comsearch();
    if (s.serial.comPort != 0) {
      found = true;
      read = readOverSerial(s);
    }
  }
  if (!s.replyText.isEmpty()) {
    s.status.setTextColor(kVersionTextColor);
    s.status.emptyLine();
    s.status.printLine(s.replyText);
    s.status.emptyLine();
    s.status.setTextColor(kStatusTextColor);
    s.status.refresh();
  }
  s.linkState().clear();
  return searchedOutcome(found, read);
}

}  // namespace mv4700
