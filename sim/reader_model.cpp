#include "sim/reader_model.h"

#include <utility>

#include "firmware/erase_command.h"
#include "sim/button_text.h"

namespace mv4700 {

namespace {

constexpr double kGreetingRepeatSeconds = 0.1;

const QByteArray kErase(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size());

std::vector<CommandFramer::Shape> programShapes() {
  return {{QByteArray("\x1B\x00", 2), 2},
          {QByteArray("\x1B\x01", 2), 2},
          {QByteArray("\x1B\x1C\x00\x10\x1F", 5), 5},
          {QByteArray("\x1B\x1D\x00\x10\x1F", 5), 36},
          {QByteArray("\x1B\x21\x01\xFF", 4), 4},
          {kErase, int(kErase.size())}};
}

std::vector<CommandFramer::Shape> loaderShapes() {
  return {
      {QByteArray("\x1B\x00", 2), 2}, {QByteArray("\x1B\xA8", 2), 3}, {kErase, int(kErase.size())}};
}

}  // namespace

ReaderModel::ReaderModel(Kind kind, Clock& clock)
    : kind_(kind),
      clock_(clock),
      versionText_(kind == Kind::New ? "4700-01 Firmware V2.10" : "TQ-4700 Firmware V1.30"),
      serialFramer_(programShapes()),
      usbFramer_(programShapes()),
      loaderFramer_(loaderShapes()) {}

double ReaderModel::now() {
  return eventTime_ ? *eventTime_ : clock_.seconds();
}

void ReaderModel::runTimers() {
  if (mode_ == Mode::Rebooting && now() >= rebootEnds_) {
    // The loader greets the line the moment it is up, whenever we notice.
    const std::optional<double> event = std::exchange(eventTime_, rebootEnds_);
    startLoader();
    eventTime_ = event;
  }
  if (mode_ == Mode::Loader && selfRestartAt_ && now() >= *selfRestartAt_) {
    selfRestartAt_.reset();
    leaveLoader();
  }
  while (mode_ == Mode::Loader && greetAgainAt_ && now() >= *greetAgainAt_) {
    const std::optional<double> event = std::exchange(eventTime_, *greetAgainAt_);
    *greetAgainAt_ += kGreetingRepeatSeconds;
    answer(Link::Serial, QByteArray(1, char(kAck)));
    eventTime_ = event;
  }
}

std::optional<double> ReaderModel::nextTimerAt() const {
  if (mode_ == Mode::Rebooting) return rebootEnds_;
  if (mode_ == Mode::Loader && selfRestartAt_) return selfRestartAt_;
  if (mode_ == Mode::Loader && greetAgainAt_) return greetAgainAt_;
  return std::nullopt;
}

ReaderModel::Mode ReaderModel::mode() {
  runTimers();
  return mode_;
}

int ReaderModel::serialBaud() {
  runTimers();
  return mode_ == Mode::Loader ? loaderBaud_ : programBaud_;
}

void ReaderModel::setSerialBaud(int baud) {
  const int code = ReaderSettings::codeOfBaud(baud);
  if (code < 0) return;
  settings_.set(ReaderSettings::kBaud, static_cast<std::uint8_t>(code));
  programBaud_ = baud;
}

void ReaderModel::answer(Link link, QByteArray bytes) {
  if (faults_.silent) return;
  if (faults_.garble)
    for (char& b : bytes) b = static_cast<char>(~b);
  bytes = faults_.leadingBytes + bytes + faults_.extraBytes;
  if (link == Link::Serial) {
    serialOut_.push_back({serialBaud(), bytes, now()});
    return;
  }
  for (qsizetype at = 0; at < bytes.size(); at += 8) {
    HidReport report{};
    const QByteArray chunk = bytes.mid(at, 8);
    std::copy(chunk.begin(), chunk.end(), report.begin() + 1);
    reportsOut_.push_back(report);
  }
}

void ReaderModel::execute(Link link, const QByteArray& command) {
  switch (static_cast<std::uint8_t>(command[1])) {
    case 0x00: {  // identify: length and model text
      QByteArray text = kind_ == Kind::New ? "4700I01" : "TQ-4700";
      if (faults_.wrongIdentify) text.replace("4700", "4800");
      answer(link, QByteArray("\x1B\x00", 2) + char(text.size()) + text);
      break;
    }
    case 0x01: {
      const QByteArray text = versionText_.left(255);
      answer(link, QByteArray("\x1B\x01", 2) + char(text.size()) + text);
      break;
    }
    case 0x1C:
      answer(link, QByteArray("\x1B\x1C\x00\x10\x1F", 5) + settings_.toByteArray());
      break;
    case 0x1D: {
      // The acknowledgement still leaves at the old speed; a new baud code
      // takes effect for what follows.
      answer(link, QByteArray("\x1B\x1D\x00\x10\x01\xAA", 6));
      std::copy(command.begin() + 5, command.end(), settings_.bytes().begin());
      const int baud = ReaderSettings::baudOfCode(settings_.at(ReaderSettings::kBaud));
      if (baud) programBaud_ = baud;
      break;
    }
    case 0x21:
      answer(link, command);
      settings_ = ReaderSettings();
      programBaud_ = ReaderSettings::baudOfCode(0);
      break;
    default:  // the erase command; the old reader has no loader to go to
      if (kind_ == Kind::New) startReboot();
      break;
  }
}

void ReaderModel::receiveSerial(const QByteArray& bytes, int lineBaud,
                                std::optional<double> heardAt) {
  const std::optional<double> event = std::exchange(eventTime_, heardAt);
  receiveSerialNow(bytes, lineBaud);
  eventTime_ = event;
}

void ReaderModel::receiveSerialNow(const QByteArray& bytes, int lineBaud) {
  runTimers();
  for (char byte : bytes) {
    if (mode_ == Mode::Rebooting || mode_ == Mode::Unplugged) return;
    if (lineBaud != serialBaud()) {
      // A frame at the wrong speed: the UART flags it and the byte is lost.
      // The program's command framing has no time-out and no resync on such
      // an error, so a command it was collecting stays pending until bytes
      // it can frame complete it or break it off. The loader drops its frame.
      loaderFramer_.reset();
      pendingFrameByte_ = false;
      continue;
    }
    if (mode_ == Mode::Loader)
      loaderSerialByte(byte);
    else if (serialFramer_.push(byte))
      execute(Link::Serial, serialFramer_.command());
  }
}

std::vector<SerialBurst> ReaderModel::takeSerialOutput() {
  runTimers();
  std::vector<SerialBurst> out;
  out.swap(serialOut_);
  return out;
}

bool ReaderModel::usbPresent() {
  runTimers();
  return kind_ == Kind::New && (mode_ == Mode::Program || mode_ == Mode::Loader);
}

void ReaderModel::receiveReport(const HidReport& report) {
  if (!usbPresent()) return;
  if (mode_ == Mode::Loader) {
    loaderReport(report);
    return;
  }
  for (int i = 1; i < 9 && mode_ == Mode::Program; ++i)
    if (usbFramer_.push(static_cast<char>(report[i]))) execute(Link::Usb, usbFramer_.command());
}

std::optional<HidReport> ReaderModel::takeReport() {
  if (!usbPresent() || reportsOut_.empty()) return std::nullopt;
  HidReport report = reportsOut_.front();
  reportsOut_.pop_front();
  return report;
}

void ReaderModel::usbReleased() {
  runTimers();
  if (mode_ == Mode::Loader && loaderState_ == LoaderState::Complete) leaveLoader();
}

QByteArray ReaderModel::touchText() const {
  return buttonTouchText(settings_, buttonId_);
}

QByteArray ReaderModel::removeText() const {
  return buttonRemoveText(settings_);
}

void ReaderModel::touch() {
  if (mode() == Mode::Program) serialOut_.push_back({programBaud_, touchText(), now()});
}

void ReaderModel::remove() {
  if (mode() == Mode::Program && !removeText().isEmpty())
    serialOut_.push_back({programBaud_, removeText(), now()});
}

void ReaderModel::unplug() {
  mode_ = Mode::Unplugged;
  greetAgainAt_.reset();
  ++restarts_;
  reportsOut_.clear();  // what was on the wire already stays sent
}

void ReaderModel::replug() {
  if (mode_ != Mode::Unplugged) return;
  // The line is low for a moment while the reader's UART starts.
  if (faults_.powerGlitch)
    serialOut_.push_back({programErased_ ? kLoaderBaud : programBaud_, QByteArray(1, '\0'), now()});
  if (programErased_)
    startLoader();
  else
    startProgram();
}

void ReaderModel::startInLoader() {
  programErased_ = true;
  if (mode_ == Mode::Unplugged) return;  // it will, once the power is back
  mode_ = Mode::Unplugged;
  replug();
}

void ReaderModel::startReboot() {
  mode_ = Mode::Rebooting;
  ++restarts_;
  programErased_ = true;
  rebootEnds_ = now() + rebootSeconds_;
  reportsOut_.clear();
}

void ReaderModel::startLoader() {
  mode_ = Mode::Loader;
  loaderAbort();
  usbEraseHalf_ = false;
  sendLoaderAnswer(Link::Serial, LoaderStep::Ready, QByteArray(1, char(kAck)));
  if (faults_.repeatGreeting) greetAgainAt_ = now() + kGreetingRepeatSeconds;
}

void ReaderModel::startProgram() {
  mode_ = Mode::Program;
  greetAgainAt_.reset();
  selfRestartAt_.reset();
  ++restarts_;
  programErased_ = false;
  serialFramer_.reset();
  usbFramer_.reset();
  reportsOut_.clear();
}

}  // namespace mv4700
