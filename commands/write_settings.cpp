#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>

#include "commands/commands.h"
#include "commands/serial_error_line.h"
#include "link/device_session.h"
#include "seams/clock.h"
#include "seams/number_text.h"
#include "seams/status_box.h"
#include "settings/settings_image.h"

namespace mv4700 {
namespace {

constexpr std::array<std::uint8_t, 7> kUsbAck{0x00, 0x1B, 0x1D, 0x00, 0x10, 0x01, 0xAA};
const QByteArray kSerialAck("\x1B\x1D\x00\x10\x01\xAA", 6);

std::optional<QByteArray> writeImage(const SettingsFields& fields, QString* refusal) {
  return assembleSettingsImage(kWriteSettingsCommand, Packsettings(fields), fields, refusal);
}

bool writeOverUsb(DeviceSession& s, const QByteArray& image) {
  UsbLink& usb = s.usb;
  s.status.printOpen("Wrote memory block:");
  s.status.refresh();
  bool allSent = true;
  bool match = false;
  for (int k = 1; k <= 5; ++k) {
    usb.sendCommand(image.mid(8 * (k - 1), 8));  // the last block is zero-filled
    if (usb.hidStatus != 0) {
      // The line keeps the blocks that went out and ends with the library's number.
      allSent = false;
      s.status.emptyLine();
      s.status.printLine("Programming settings to TQ-4700 USB Error! " + hexText(usb.hidStatus));
      break;
    }
    const QString block = QStringLiteral(" %1 ").arg(k);
    if (k < 5) {
      s.status.printOpen(block);
    } else {
      s.status.printLine(block);
    }
    s.status.refresh();
  }
  if (allSent) {
    delay(s.clock, 1);
    usb.readReports(1);
    std::copy(kUsbAck.begin(), kUsbAck.end(), usb.inReport.begin());
    match = usb.replyStartsWith(kUsbAck);
    s.status.printLine(match ? QStringLiteral("Programming settings to TQ-4700 USB OK!")
                             : "Programming settings to TQ-4700 USB Error! " +
                                   hexText(usb.hidStatus));
  }
  s.status.refresh();
  usb.Usbclose();
  s.linkState() = link_state::kUsb;
  return match;
}

bool writeOverSerial(DeviceSession& s, const QByteArray& image) {
  SerialLink& serial = s.serial;
  serial.txBytes = image;
  serial.port().clearError();
  serial.sendTxBytes();
  serial.Comwait(6, 1.0f);
  if (serial.rxDone == 1 && serial.rxBytes == kSerialAck) {
    s.status.printLine("Programming settings to TQ-4700 RS232 OK!");
    serial.rxDone = 8;
  }
  const int failure = serial.port().lastError();
  const bool written = failure == 0 && serial.rxDone == 8;
  if (!written) {
    s.status.printLine(serialErrorLine("Programming settings to TQ-4700 RS232 Error!", failure));
  }
  s.status.refresh();
  serial.closePort();
  return written;
}

}  // namespace

Outcome writeSettings(DeviceSession& s, const SettingsFields& fields) {
  // A text the image cannot carry is refused before the reader is contacted.
  QString refusal;
  const std::optional<QByteArray> image = writeImage(fields, &refusal);
  if (!image) {
    s.status.clear();
    s.status.printLine(refusal);
    s.status.refresh();
    s.linkState().clear();
    return Outcome::Refused;
  }

  bool found = false;
  bool written = false;
  s.usb.Usbsearch();
  if (s.linkState() == link_state::kOk) {
    found = true;
    written = writeOverUsb(s, *image);
  }
  if (s.linkState() != link_state::kUsb) {
    s.serial.Comsearch();
    if (s.serial.comPort != 0) {
      found = true;
      written = writeOverSerial(s, *image);
    }
  }
  s.linkState().clear();
  return searchedOutcome(found, written);
}

}  // namespace mv4700
