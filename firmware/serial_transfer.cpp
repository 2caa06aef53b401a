#include "firmware/serial_transfer.h"

#include "firmware/erase_command.h"
#include "firmware/firmware_image.h"
#include "firmware/transfer_watch.h"
#include "link/com_slots.h"
#include "link/device_session.h"
#include "seams/clock.h"
#include "seams/number_text.h"
#include "seams/status_box.h"

namespace mv4700 {

namespace {

constexpr std::uint8_t kAck = 0xFA;
constexpr std::uint8_t kCompareError = 0x07;
constexpr std::uint8_t kFrameMark = 0x55;
constexpr float kLoaderReadySeconds = 6.0f;
constexpr double kRescueWaitSeconds = 60.0;
constexpr float kCommandSeconds = 1.0f;
constexpr float kFrameSeconds = 2.0f;
constexpr int kBytesPerDot = 50;

const QString kLoaderSettings = QStringLiteral("9600,n,8,1");
const QString kDataSettings = QStringLiteral("57600,n,8,1");

class SerialFlash {
 public:
  SerialFlash(DeviceSession& session, FirmwareImage& image, TransferWatch* watch)
      : s_(session),
        serial_(session.serial),
        status_(session.status),
        image_(image),
        watch_(watch) {}

  Outcome run() {
    serial_.Comsearch();
    const bool found = serial_.comPort != 0;
    if (!s_.newModel()) {
      status_.printLine(
          QStringLiteral("TQ-4700 RS232 not support firmware update (only new 4700-01)!"));
      status_.refresh();
      serial_.closePort();
      return found ? Outcome::Failed : Outcome::NoReader;
    }
    if (!found) return Outcome::NoReader;
    bool finished = false;
    if (!(watch_ && watch_->stopRequested())) {
      erase();
      finished = loaderReady() && updateCommand() && speedChange() && sendBytes();
      if (finished) finish();
    }
    serial_.closePort();
    return finished ? Outcome::Done : Outcome::Failed;
  }

  // A reader left in its loader without a program: no identify and no erase.
  // The operator powers it off and on; its loader greets the line at 9600.
  Outcome rescue() {
    if (!openAnyPort()) {
      status_.printLine(QStringLiteral("No serial port to wait on for the loader!"));
      return Outcome::NoReader;
    }
    if (watch_ && watch_->stopRequested()) {
      serial_.closePort();
      return Outcome::Failed;
    }
    // No loader within the wait: nothing was sent, there is no reader there.
    if (!loaderGreeting()) {
      serial_.closePort();
      return watch_ && watch_->stopRequested() ? Outcome::Failed : Outcome::NoReader;
    }
    const bool finished = updateCommand() && speedChange() && sendBytes();
    if (finished) finish();
    serial_.closePort();
    return finished ? Outcome::Done : Outcome::Failed;
  }

 private:
  // The first slot that opens, at the loader's speed: the front end has
  // named the one port to use.
  bool openAnyPort() {
    SerialService& port = serial_.port();
    port.setSettings(kLoaderSettings);
    port.setInputMode(1);
    for (int slot = 1; slot <= kComSlots; ++slot) {
      port.setCommPort(slot);
      port.clearInBuffer();
      port.setPortOpen(true);
      if (port.portOpen()) {
        serial_.comPort = slot;
        return true;
      }
    }
    return false;
  }

  // Waits for the ready byte through a power cycle, which may put stray
  // bytes on the line: anything but the ready byte is that noise.
  bool loaderGreeting() {
    status_.printOpen(
        QStringLiteral("Switch the reader off and on again; waiting for its loader ..."));
    status_.refresh();
    SerialService& port = serial_.port();
    Clock& clock = s_.clock;
    const double deadline = clock.seconds() + kRescueWaitSeconds;
    while (clock.seconds() < deadline && !(watch_ && watch_->stopRequested())) {
      // The port sleeps in its count until a byte comes, for a moment at most.
      if (port.inBufferCount() == 0) continue;
      if (port.input().contains(static_cast<char>(kAck))) {
        status_.printLine(QStringLiteral(" Ready!"));
        return true;
      }
    }
    return abort(QStringLiteral("Receive device ACK timeout, Flash abort!"));
  }

  void erase() {
    status_.printLine(QStringLiteral("Erase 4700-01 program memory ..."));
    status_.refresh();
    send(QByteArray(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size()));
    delay(s_.clock, 1);
  }

  bool loaderReady() {
    status_.printOpen(QStringLiteral("Waiting for 4700-01 reboot ..."));
    status_.refresh();
    switchSpeed(kLoaderSettings);
    if (!acknowledged(kLoaderReadySeconds)) return false;
    status_.printLine(QStringLiteral(" Ready!"));
    return true;
  }

  bool updateCommand() {
    status_.printOpen(QStringLiteral("Firmware update command to 4700-01 ..."));
    status_.refresh();
    send(QByteArray("\x1B\xA8\x02", 3));
    if (!acknowledged(kCommandSeconds)) return false;
    status_.printLine(QStringLiteral(" Confirm!"));
    status_.refresh();
    return true;
  }

  bool speedChange() {
    switchSpeed(kDataSettings);
    send(QByteArray(1, static_cast<char>(kAck)));
    if (!acknowledged(kCommandSeconds)) return false;
    status_.printLine(QStringLiteral("RS232 protocol OK!"));
    return true;
  }

  // The hot path: one reused 2-byte frame per image byte, no work beyond the dots.
  bool sendBytes() {
    const std::int16_t length = static_cast<std::int16_t>(image_.fwLength);
    status_.printLine(QStringLiteral("Firmware updating via RS232 Please Wait ..."));
    status_.printOpen(QStringLiteral("Total") + signedNumberText(length) +
                      QStringLiteral(" Bytes. Writing:"));
    status_.refresh();

    QByteArray& frame = serial_.txBytes;
    frame.resize(2);
    for (int k = 1; k <= length; ++k) {
      // data() detaches only if the port kept a copy of the last frame.
      char* bytes = frame.data();
      bytes[0] = static_cast<char>(image_.byteAt(k - 1));
      bytes[1] = static_cast<char>(kFrameMark);
      serial_.sendTxBytes();
      if (!acknowledged(kFrameSeconds)) return false;
      if (watch_) {
        watch_->progress(k, length);
        if (watch_->stopRequested()) return false;
      }
      if (k % kBytesPerDot == 0) {
        status_.printOpen(QStringLiteral("."));
        status_.refresh();
      }
    }

    char* bytes = frame.data();
    bytes[0] = static_cast<char>(0xFF);
    bytes[1] = static_cast<char>(0xAA);
    serial_.sendTxBytes();
    return acknowledged(kFrameSeconds);
  }

  void finish() {
    status_.emptyLine();
    status_.printLine(QStringLiteral("4700-01 firmware update Finished!"));
  }

  // What came in at the old speed is noise at the new one (a greeting the
  // loader repeated while the port still ran at the program's speed): an
  // exact-count wait must not take it for an answer.
  void switchSpeed(const QString& settings) {
    if (serial_.port().settings() == settings) return;
    serial_.port().setSettings(settings);
    serial_.port().clearInBuffer();
  }

  void send(const QByteArray& bytes) {
    serial_.txBytes = bytes;
    serial_.sendTxBytes();
  }

  // The one ACK check after every wait: true only for the loader's go-on byte.
  bool acknowledged(float seconds) {
    serial_.Comwait(1, seconds);
    if (serial_.rxDone == 0)
      return abort(QStringLiteral("Receive device ACK timeout, Flash abort!"));
    const auto answer = static_cast<std::uint8_t>(serial_.rxBytes.at(0));
    if (answer == kAck) return true;
    if (answer == kCompareError)
      return abort(QStringLiteral("Data compare error after write, please try again ..."));
    return abort(QStringLiteral("[") + hexText(answer) +
                 QStringLiteral("] ACK receive error, Flash abort! "));
  }

  bool abort(const QString& line) {
    status_.printLine(line);
    status_.refresh();
    return false;
  }

  DeviceSession& s_;
  SerialLink& serial_;
  StatusBox& status_;
  FirmwareImage& image_;
  TransferWatch* watch_;
};

}  // namespace

Outcome serialFirmwareTransfer(DeviceSession& session, FirmwareImage& image, TransferWatch* watch) {
  return SerialFlash(session, image, watch).run();
}

Outcome serialFirmwareRescue(DeviceSession& session, FirmwareImage& image, TransferWatch* watch) {
  return SerialFlash(session, image, watch).rescue();
}

}  // namespace mv4700
