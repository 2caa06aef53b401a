#include "firmware/usb_transfer.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "firmware/erase_command.h"
#include "firmware/firmware_image.h"
#include "firmware/transfer_watch.h"
#include "link/device_session.h"
#include "link/usb_arrivals.h"
#include "seams/clock.h"
#include "seams/number_text.h"
#include "seams/status_box.h"

namespace mv4700 {

namespace {

constexpr int kReconnectDots = 3;
constexpr int kSilentSearches = 20;
constexpr double kArrivalPollSeconds = 1.0;
constexpr int kBlockSize = 6;
constexpr int kBytesPerDot = 48;  // one dot per 8 blocks
constexpr std::uint8_t kLoaderCommand = 0xA8;
constexpr std::array<std::uint8_t, 9> kUpdateAnswer{0x00, 0x1B, kLoaderCommand, 'J', 'P', '-', 'U',
                                                    'S',  'B'};

class UsbFlash {
 public:
  UsbFlash(DeviceSession& session, FirmwareImage& image, TransferWatch* watch)
      : s_(session), usb_(session.usb), status_(session.status), image_(image), watch_(watch) {}

  Outcome run() {
    const bool finished = !stopRequested() && erase() && awaitLoader() && loaderSteps();
    return close(finished);
  }

  // A reader left in its loader: no identify and no erase; its loader comes
  // onto the bus when the operator powers the reader off and on.
  Outcome rescue(double waitSeconds) {
    const bool found = !stopRequested() && awaitPowerCycledLoader(waitSeconds);
    const bool finished = found && loaderSteps();
    const Outcome outcome = close(finished);
    // No loader within the wait: nothing was sent, there is no reader there.
    return found || stopped_ ? outcome : Outcome::NoReader;
  }

 private:
  bool erase() {
    status_.printOpen(QStringLiteral("Erase TQ-4700 program memory ..."));
    status_.refresh();
    usb_.sendCommand(std::span(kEraseCommand).first(8));
    usb_.sendCommand(std::span(kEraseCommand).subspan(8));
    // Only the second half's status decides.
    const bool sent = usb_.hidStatus == 0;
    status_.printLine(sent ? QStringLiteral("Sent!") : QStringLiteral("Fail...!"));
    status_.refresh();
    return sent;
  }

  bool awaitLoader() {
    // The reader comes back as a new device on the same port: the search
    // follows the port, and the old node is let go before the wait, so the
    // system can hand the loader a node of its own.
    usb_.pinToOpenReader();
    usb_.Usbclose();
    status_.printOpen(QStringLiteral("Waiting for TQ-4700 USB reconnect "));
    status_.refreshAll();
    for (int i = 0; i < kReconnectDots; ++i) dotAndWait();
    status_.emptyLine();
    status_.refreshAll();

    bool found = false;
    for (int attempt = 0; attempt < kSilentSearches && !(found = silentSearch()); ++attempt)
      dotAndWait();
    if (!found) return failLine(QStringLiteral("Firmware update Fail!"));
    return true;
  }

  // The rescue's wait. A reader on the bus from the start is as the cut
  // transfer left it (its loader half way through an image, which would take
  // the update command for image bytes) or a neighbour: only a reader that
  // comes onto the bus during the wait is asked who it is.
  bool awaitPowerCycledLoader(double waitSeconds) {
    status_.printOpen(
        QStringLiteral("Switch the reader off and on again; waiting for its loader ..."));
    status_.refreshAll();
    UsbArrivals arrivals(usb_);
    Clock& clock = s_.clock;
    const double deadline = clock.seconds() + waitSeconds;
    bool waitLineOpen = true;
    for (;;) {
      if (const std::optional<QString> place = arrivals.look()) {
        usb_.pinTo(*place);
        if (std::exchange(waitLineOpen, false)) status_.emptyLine();
        if (silentSearch()) return true;
      }
      const double now = clock.seconds();
      if (now >= deadline || stopRequested()) break;
      clock.sleepUntil(std::min(deadline, now + kArrivalPollSeconds));
    }
    if (stopped_) return false;
    return failLine(QStringLiteral("No TQ-4700 loader came onto USB within %1 s, Flash abort!")
                        .arg(waitSeconds));
  }

  // One search as the loader's: quiet but for its connected and not-connects lines.
  bool silentSearch() {
    s_.linkState() = link_state::kLoop;
    usb_.Usbsearch();
    return s_.linkState() == link_state::kOk;
  }

  bool loaderSteps() { return updateCommand() && sendLength() && sendBlocks(); }

  // Closing steps, after the finish line, after every failure and after a stop.
  Outcome close(bool finished) {
    status_.refreshAll();
    usb_.Usbclose();
    s_.flashedUsbLocation = usb_.pinnedLocation();
    usb_.unpin();
    s_.linkState() = link_state::kUsb;
    return finished ? Outcome::Done : Outcome::Failed;
  }

  void dotAndWait() {
    status_.printOpen(QStringLiteral("."));
    status_.refreshAll();
    delay(s_.clock, 1);
  }

  bool updateCommand() {
    status_.printOpen(QStringLiteral("Firmware update command to TQ4700 ..."));
    status_.refresh();
    usb_.sendCommand({0x1B, kLoaderCommand});
    status_.refreshAll();
    usb_.readReports(1);
    usb_.inReport = kUpdateAnswer;
    const bool confirmed = usb_.replyStartsWith(usb_.inReport);
    status_.printLine(confirmed ? QStringLiteral(" Confirm!") : QStringLiteral(" Fail!"));
    status_.refresh();
    return confirmed;
  }

  bool sendLength() {
    const std::int32_t length = image_.fwLength;
    usb_.sendCommand({0x1B, kLoaderCommand, 0x00, 0x00,
                      static_cast<std::uint8_t>(length / 256 & 0xFF),
                      static_cast<std::uint8_t>(length % 256)});
    status_.refreshAll();
    usb_.readReports(2);
    usb_.Copyinreport();
    if (!loaderAnswered()) return failLine(QStringLiteral("Binary length received error"));
    return true;
  }

  // What the loader answers is its own affair: every reply is taken. Only a
  // loader that answers nothing at all has stopped listening, and sending on
  // would end with the finish line over a reader left without its program.
  bool loaderAnswered() const { return usb_.bytesReturned > 0; }

  // Once asked for, a stop stays asked for.
  bool stopRequested() { return stopped_ = stopped_ || (watch_ && watch_->stopRequested()); }

  bool sendBlocks() {
    const std::int64_t length = image_.fwLength;
    status_.printLine(QStringLiteral("Firmware updating via USB Please Wait ..."));
    status_.printOpen(QStringLiteral("Total") + signedNumberText(length) +
                      QStringLiteral(" Bytes. Writing:"));
    status_.refreshAll();

    image_.fwLength += kBlockSize;
    auto& report = usb_.outReport;
    report[0] = 0x00;
    report[1] = 0x1B;
    report[2] = kLoaderCommand;
    // One block past the image: the loader expects floor(L / 6) + 2 reports.
    for (std::int64_t start = 0; start <= image_.fwLength; start += kBlockSize) {
      for (int i = 0; i < kBlockSize; ++i) report[3 + i] = image_.byteAt(start + i, length);
      usb_.sendOutReport();
      usb_.readReports(1);
      usb_.Copyinreport();
      if (!loaderAnswered()) {
        status_.emptyLine();
        return failLine(QStringLiteral("Write error!"));
      }
      if (watch_) {
        watch_->progress(std::min(start + kBlockSize, length), length);
        if (stopRequested()) return false;
      }
      if (start % kBytesPerDot == 0) {
        status_.printOpen(QStringLiteral("."));
        status_.refreshAll();
      }
    }
    status_.emptyLine();
    status_.printLine(QStringLiteral("TQ-4700 firmware update finished !"));
    status_.refresh();
    return true;
  }

  bool failLine(const QString& text) {
    status_.printLine(text);
    status_.refresh();
    return false;
  }

  DeviceSession& s_;
  UsbLink& usb_;
  StatusBox& status_;
  FirmwareImage& image_;
  TransferWatch* watch_;
  bool stopped_ = false;
};

}  // namespace

Outcome usbFirmwareTransfer(DeviceSession& session, FirmwareImage& image, TransferWatch* watch) {
  return UsbFlash(session, image, watch).run();
}

Outcome usbFirmwareRescue(DeviceSession& session, FirmwareImage& image, TransferWatch* watch,
                          double waitSeconds) {
  return UsbFlash(session, image, watch).rescue(waitSeconds);
}

}  // namespace mv4700
