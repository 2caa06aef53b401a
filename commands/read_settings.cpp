#include <QByteArray>
#include <QString>
#include <cstdint>

#include "app/status_box.h"
#include "commands/commands.h"
#include "commands/serial_error_line.h"
#include "link/device_session.h"
#include "settings/settings_image.h"

namespace mv4700 {
namespace {

// The request is the image's header alone; the reply starts with it.
const QByteArray kReadRequest = settingsImageHeader(kReadSettingsCommand);

bool usbHeaderMatches(const UsbLink& usb) {
  if (usb.inBuffer[0] != 0x00) return false;
  for (qsizetype i = 0; i < kReadRequest.size(); ++i) {
    if (usb.inBuffer[static_cast<std::size_t>(1 + i)] != static_cast<std::uint8_t>(kReadRequest[i]))
      return false;
  }
  return true;
}

// The five reports without their ids: the 36-byte image and four ignored bytes.
QString usbReplyText(const UsbLink& usb) {
  QString text;
  for (int i = 0; i < 45; ++i) {
    if (i % 9 != 0) text += QChar(usb.inBuffer[static_cast<std::size_t>(i)]);
  }
  return text;
}

bool readOverUsb(DeviceSession& s, SettingsFields& fields) {
  UsbLink& usb = s.usb;
  usb.sendCommand(kReadRequest);
  usb.readReports(5);
  const bool read = usbHeaderMatches(usb);
  if (!read) {
    s.status.printLine("Read 4700-01 USB value Error!");
  } else {
    s.replyText = usbReplyText(usb);
    Unpacksettings(s.replyText, s.newModel(), fields);
    s.status.printLine("Read 4700-01 USB value OK!");
  }
  s.status.refresh();
  usb.Usbclose();
  s.linkState() = link_state::kUsb;
  return read;
}

bool readOverSerial(DeviceSession& s, SettingsFields& fields) {
  SerialLink& serial = s.serial;
  serial.txBytes = kReadRequest;
  serial.port().clearError();
  serial.sendTxBytes();
  serial.Comwait(36, 1.0f);
  if (serial.rxDone == 1 && serial.rxBytes.startsWith(kReadRequest)) {
    s.status.printLine(s.newModel() ? QStringLiteral("Read 4700-01 RS232 value OK!")
                                    : QStringLiteral("Read TQ-4700 RS232 value OK!"));
    s.replyText = QString::fromLatin1(serial.rxBytes.left(36));
    Unpacksettings(s.replyText, s.newModel(), fields);
    serial.rxDone = 8;
  }
  const int failure = serial.port().lastError();
  const bool read = failure == 0 && serial.rxDone == 8;
  if (!read) s.status.printLine(serialErrorLine("Read RS232 value Error!", failure));
  s.status.refresh();
  serial.port().setPortOpen(false);
  return read;
}

}  // namespace

Outcome readSettings(DeviceSession& s, SettingsFields& fields) {
  bool found = false;
  bool read = false;
  s.usb.Usbsearch();
  if (s.linkState() == link_state::kOk) {
    found = true;
    read = readOverUsb(s, fields);
  }
  if (s.linkState() != link_state::kUsb) {
    s.serial.Comsearch();
    if (s.serial.comPort != 0) {
      found = true;
      read = readOverSerial(s, fields);
    }
  }
  s.linkState().clear();
  return searchedOutcome(found, read);
}

}  // namespace mv4700
