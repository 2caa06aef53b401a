// The loader half of the reader's firmware: it takes a new program over RS232
// (byte frames with one-byte answers) or USB (reports of six bytes).
#include <algorithm>

#include "firmware/erase_command.h"
#include "sim/reader_model.h"

namespace mv4700 {

namespace {

bool startsWith(const HidReport& report, std::initializer_list<std::uint8_t> bytes, int from = 1) {
  return std::equal(bytes.begin(), bytes.end(), report.begin() + from);
}

}  // namespace

void ReaderModel::storeProgram(const QByteArray& image) {
  storedImage_ = image;
  versionText_ = imageVersionText(image);
  programErased_ = false;
}

void ReaderModel::leaveLoader() {
  if (programErased_)
    loaderAbort();  // nothing stored: no program to start, the loader waits anew
  else
    startProgram();
}

void ReaderModel::loaderAbort() {
  loaderState_ = LoaderState::WaitUpdate;
  loaderBaud_ = kLoaderBaud;
  loaderFrames_ = 0;
  pendingFrameByte_ = false;
  loaderFramer_.reset();
}

bool ReaderModel::loaderFaultAt(LoaderStep step, int frame, std::uint8_t& byte) const {
  const auto& fault = faults_.loaderAnswer;
  if (!fault || fault->step != step || (step == LoaderStep::Frame && fault->frame != frame))
    return false;
  byte = fault->byte;
  return true;
}

QByteArray ReaderModel::usbLoaderReply(std::uint8_t status) const {
  QByteArray reply(8, '\0');
  reply[0] = 0x1B;
  reply[1] = char(0xA8);
  reply[2] = char(status);
  return reply;
}

// Sends the loader's answer for `step`; a fault may replace its status byte
// (the whole answer on RS232, the third byte on USB). False when the answer
// was not a go-on: the loader then gives up the session itself.
bool ReaderModel::sendLoaderAnswer(Link link, LoaderStep step, QByteArray reply, int frame) {
  std::uint8_t byte = 0;
  const bool faulty = loaderFaultAt(step, frame, byte);
  if (faulty) {
    if (link == Link::Serial)
      reply = QByteArray(1, char(byte));
    else
      reply[2] = char(byte);
  }
  answer(link, reply);
  if (!faulty || byte == kAck) return true;
  if (step != LoaderStep::Ready) loaderAbort();
  return false;
}

// A fault can end the transfer at this frame: the reader loses its power, or
// its loader hangs and hears without answering.
bool ReaderModel::loaderCutOff() {
  if (faults_.unplugAfterLoaderFrames >= 0 && loaderFrames_ >= faults_.unplugAfterLoaderFrames) {
    unplug();
    return true;
  }
  return faults_.silentAfterLoaderFrames >= 0 && loaderFrames_ >= faults_.silentAfterLoaderFrames;
}

void ReaderModel::loaderSerialByte(char byte) {
  greetAgainAt_.reset();  // answered
  switch (loaderState_) {
    case LoaderState::WaitUpdate:
      if (loaderFramer_.push(byte)) loaderSerialCommand(loaderFramer_.command());
      return;
    case LoaderState::WaitSpeed:
      if (static_cast<std::uint8_t>(byte) != kAck) break;
      loaderState_ = LoaderState::Data;
      receiver_.beginUnannounced();
      sendLoaderAnswer(Link::Serial, LoaderStep::SpeedChange, QByteArray(1, char(kAck)));
      return;
    case LoaderState::Data: {
      if (!pendingFrameByte_) {
        pendingFrameByte_ = true;
        frameByte_ = static_cast<std::uint8_t>(byte);
        return;
      }
      pendingFrameByte_ = false;
      if (loaderCutOff()) return;
      const auto mark = static_cast<std::uint8_t>(byte);
      if (mark == 0x55) {
        loaderFrame(frameByte_, false);
        return;
      }
      if (frameByte_ == 0xFF && mark == 0xAA) {
        loaderFrame(0, true);
        return;
      }
      break;
    }
    default:
      break;
  }
  answer(Link::Serial, QByteArray(1, char(kRefused)));
  loaderAbort();
}

void ReaderModel::loaderSerialCommand(const QByteArray& command) {
  if (command.size() == int(kEraseCommand.size())) {
    startReboot();
    return;
  }
  if (command[1] == 0x00) {
    execute(Link::Serial, command);
    return;
  }
  if (command[2] != 0x02) {
    answer(Link::Serial, QByteArray(1, char(kRefused)));
    return;
  }
  // The answer leaves at 9600; the image comes at the higher speed.
  if (sendLoaderAnswer(Link::Serial, LoaderStep::Update, QByteArray(1, char(kAck)))) {
    loaderState_ = LoaderState::WaitSpeed;
    loaderBaud_ = kLoaderDataBaud;
  }
}

// One image frame over RS232: a byte, or the end frame.
void ReaderModel::loaderFrame(std::uint8_t byte, bool isEnd) {
  if (isEnd) {
    const QByteArray image = receiver_.image();
    if (!sendLoaderAnswer(Link::Serial, LoaderStep::End, QByteArray(1, char(kAck)))) return;
    if (!faults_.forgetImage) storeProgram(image);
    leaveLoader();
    return;
  }
  if (!receiver_.append(byte)) {
    answer(Link::Serial, QByteArray(1, char(kRefused)));
    loaderAbort();
    return;
  }
  const int frame = loaderFrames_++;
  sendLoaderAnswer(Link::Serial, LoaderStep::Frame, QByteArray(1, char(kAck)), frame);
}

void ReaderModel::answerUsbLoader(LoaderStep step, const HidReport& got, int frame) {
  const QByteArray echo(reinterpret_cast<const char*>(got.data()) + 1, 8);
  QByteArray last;
  switch (usbLoaderReplies_) {
    case UsbLoaderReplies::EchoThenStatus:
      if (step == LoaderStep::Length) answer(Link::Usb, echo);
      last = usbLoaderReply(kAck);
      break;
    case UsbLoaderReplies::StatusOnly:
      last = usbLoaderReply(kAck);
      break;
    case UsbLoaderReplies::Echo:
      last = echo;
      break;
    case UsbLoaderReplies::StatusLast:
      last = QByteArray(7, '\0') + char(kAck);
      break;
    case UsbLoaderReplies::None:
      return;
  }
  sendLoaderAnswer(Link::Usb, step, last, frame);
}

void ReaderModel::loaderReport(const HidReport& report) {
  greetAgainAt_.reset();
  const auto eraseFirst = kEraseCommand.begin();
  if (std::equal(eraseFirst, eraseFirst + 8, report.begin() + 1)) {
    usbEraseHalf_ = true;
    return;
  }
  if (std::exchange(usbEraseHalf_, false) &&
      std::equal(eraseFirst + 8, kEraseCommand.end(), report.begin() + 1)) {
    startReboot();
    return;
  }
  if (startsWith(report, {0x1B, 0x00})) {
    execute(Link::Usb, QByteArray("\x1B\x00", 2));
    return;
  }
  if (!startsWith(report, {0x1B, 0xA8})) return;  // not meant for the loader

  const auto refuse = [this] {
    answer(Link::Usb, usbLoaderReply(kRefused));
    loaderAbort();
  };
  switch (loaderState_) {
    case LoaderState::WaitUpdate:
      if (!startsWith(report, {0, 0, 0, 0, 0, 0}, 3)) return refuse();
      if (sendLoaderAnswer(Link::Usb, LoaderStep::Update, QByteArray("\x1B\xA8JP-USB", 8)))
        loaderState_ = LoaderState::WaitLength;
      return;
    case LoaderState::WaitLength: {
      const int length = (report[5] << 8) | report[6];
      if (!startsWith(report, {0, 0}, 3) || report[7] || report[8] ||
          !receiver_.beginAnnounced(length))
        return refuse();
      loaderState_ = LoaderState::Data;
      answerUsbLoader(LoaderStep::Length, report);
      return;
    }
    case LoaderState::Data:
    case LoaderState::Complete:
      if (loaderCutOff()) return;
      for (int i = 3; i < 9; ++i)
        if (!receiver_.append(report[i])) return refuse();
      answerUsbLoader(LoaderStep::Frame, report, loaderFrames_++);
      if (mode_ == Mode::Loader && loaderState_ == LoaderState::Data && receiver_.complete()) {
        // A forgetful loader goes on answering the last reports as a sound one.
        loaderState_ = LoaderState::Complete;
        if (!faults_.forgetImage) storeProgram(receiver_.image());
      }
      // The host sends floor(L / 6) + 2 data reports in all.
      if (faults_.restartAfterLastBlock && loaderState_ == LoaderState::Complete &&
          receiver_.received() >=
              ImageReceiver::kUsbBlock * (receiver_.announced() / ImageReceiver::kUsbBlock + 2))
        selfRestartAt_ = now() + kSelfRestartSeconds;
      return;
    default:
      return refuse();
  }
}

}  // namespace mv4700
