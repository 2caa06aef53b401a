#include <QByteArray>
#include <QString>
#include <cstdint>

#include "commands/commands.h"
#include "commands/serial_error_line.h"
#include "link/device_session.h"
#include "seams/status_box.h"
#include "settings/settings_image.h"

namespace mv4700 {
namespace {

// The request is the image's header alone; the reply starts with it.
const QByteArray kReadRequest = settingsImageHeader(kReadSettingsCommand);
// The 36-byte image ends in the fifth report, at byte 40 of inBuffer.
constexpr std::uint32_t kUsbImageBytes = 4 * kReportLength + 1 + 4;

// On USB the reply's first report carries id 0 in front of the header.
const QByteArray kUsbReadReply = QByteArray(1, '\0') + kReadRequest;

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
  // A reply cut short would fill the fields with the zeros of the missing report.
  const bool read =
      usb.bytesReturned >= kUsbImageBytes && usb.replyStartsWith(asBytes(kUsbReadReply));
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
  serial.closePort();
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
