#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "seams/clock.h"
#include "sim/command_framer.h"
#include "sim/image_receiver.h"
#include "sim/reader_settings.h"

namespace mv4700 {

using HidReport = std::array<std::uint8_t, 9>;  // report id 0 + 8 bytes

// Bytes the reader puts on its serial line, with the speed and the time
// (on its clock) it sends them at.
struct SerialBurst {
  int baud;
  QByteArray bytes;
  double sentAt = 0;
};

// The reader's firmware: the program that answers the tool's commands on USB
// (9-byte reports) and RS232 (a byte stream), its settings store, the loader
// that takes a new program, and the iButton output.
class ReaderModel {
 public:
  enum class Kind { Old, New };  // 4700 (RS232 only), 4700-01 (USB and RS232)
  enum class Mode { Program, Rebooting, Loader, Unplugged };
  // Where the loader answers; a fault can replace its answer at one of them.
  enum class LoaderStep { Ready, Update, Length, SpeedChange, Frame, End };

  static constexpr std::uint8_t kAck = 0xFA;
  static constexpr std::uint8_t kCompareError = 0x07;
  static constexpr std::uint8_t kRefused = 0x15;  // malformed, out of order, too long
  static constexpr int kLoaderBaud = 9600;
  static constexpr int kLoaderDataBaud = 57600;

  struct LoaderAnswer {
    LoaderStep step;
    std::uint8_t byte;
    int frame = 0;  // for LoaderStep::Frame: which image frame (USB: data report), from 0
  };

  // How the USB loader words its replies to the length report and to each
  // data report. Any loader may choose its own; the tool must take them all.
  enum class UsbLoaderReplies {
    EchoThenStatus,  // the length report back, then 1B A8 status; data: 1B A8 status
    StatusOnly,      // one 1B A8 status report, also after the length
    Echo,            // each report back as the loader got it
    StatusLast,      // one report of zeros with the status in its last byte
    None,            // takes every report and answers none
  };

  struct Faults {
    bool silent = false;          // hears everything, answers nothing
    bool wrongIdentify = false;   // identifies as a "4800"
    bool garble = false;          // every answer byte inverted
    QByteArray extraBytes;        // appended to every answer
    QByteArray leadingBytes;      // put before every answer
    bool powerGlitch = false;     // a stray 00 on the line when the power comes back
    bool repeatGreeting = false;  // the loader sends its ready byte every 100 ms until answered
    bool forgetImage = false;     // the loader acknowledges everything and stores nothing
    int unplugAfterLoaderFrames = -1;  // dies once this many image frames were answered
    int silentAfterLoaderFrames = -1;  // the loader hangs once this many were answered
    std::optional<LoaderAnswer> loaderAnswer;
    // The USB loader starts the new program by itself once the last data
    // report is answered, without waiting for the host to let go.
    bool restartAfterLastBlock = false;
  };

  ReaderModel(Kind kind, Clock& clock);

  Kind kind() const { return kind_; }
  Mode mode();

  ReaderSettings& settings() { return settings_; }
  const ReaderSettings& settings() const { return settings_; }
  // The speed the reader listens and answers at right now.
  int serialBaud();
  // Sets the program's speed (and the baud code in its store).
  void setSerialBaud(int baud);

  QByteArray versionText() const { return versionText_; }
  void setVersionText(const QByteArray& text) { versionText_ = text; }
  std::uint64_t buttonId() const { return buttonId_; }
  void setButtonId(std::uint64_t id) { buttonId_ = id; }
  // Time from the erase command until the loader is up (USB: back on the bus).
  void setRebootSeconds(double seconds) { rebootSeconds_ = seconds; }
  double rebootSeconds() const { return rebootSeconds_; }
  Faults& faults() { return faults_; }
  void setUsbLoaderReplies(UsbLoaderReplies replies) { usbLoaderReplies_ = replies; }

  // RS232: bytes heard at `lineBaud`; bytes at another speed are noise to the
  // reader's receiver and only break off a command being collected. A line
  // model that knows when the bytes came in passes `heardAt` (on the clock),
  // so the answers start from that moment rather than from now.
  void receiveSerial(const QByteArray& bytes, int lineBaud, std::optional<double> heardAt = {});
  std::vector<SerialBurst> takeSerialOutput();
  // When the reader acts by itself next (its loader coming up), if it will.
  std::optional<double> nextTimerAt() const;

  // USB: one output report in, input reports out. Ignored while off the bus.
  bool usbPresent();
  void receiveReport(const HidReport& report);
  std::optional<HidReport> takeReport();
  // The host let go of the device (closed it).
  void usbReleased();
  // Counts every time the reader came up again (reboot, replug, new program),
  // so a host can tell that its handle went stale.
  int restarts() const { return restarts_; }

  // iButton: the text a touch or a removal produces; touch() and remove()
  // also send it on the serial line (on USB the host gets it as keystrokes).
  QByteArray touchText() const;
  QByteArray removeText() const;
  void touch();
  void remove();

  // Power: an unplugged reader hears and says nothing; plugged in again it
  // starts its program, or its loader when the program memory was erased.
  void unplug();
  void replug();
  // The program memory is found empty at power-up: the reader restarts in its
  // loader, which greets the line as after an erase.
  void startInLoader();

  // The last program the loader stored completely.
  const QByteArray& storedImage() const { return storedImage_; }

 private:
  enum class LoaderState { WaitUpdate, WaitLength, WaitSpeed, Data, Complete };
  // Time the last reply needs to leave before the loader jumps to the program.
  static constexpr double kSelfRestartSeconds = 0.01;
  enum class Link { Serial, Usb };

  // The moment the reader acts at: the moment of the event it handles, else now.
  double now();
  void runTimers();
  void receiveSerialNow(const QByteArray& bytes, int lineBaud);
  void answer(Link link, QByteArray bytes);
  void execute(Link link, const QByteArray& command);
  void startReboot();
  void startLoader();
  void startProgram();

  // The loader (reader_loader.cpp).
  void loaderSerialByte(char byte);
  void loaderSerialCommand(const QByteArray& command);
  void loaderReport(const HidReport& report);
  void loaderFrame(std::uint8_t byte, bool isEnd);
  bool sendLoaderAnswer(Link link, LoaderStep step, QByteArray reply, int frame = 0);
  void loaderAbort();
  // The loader wrote a whole program: a power-up now starts it.
  void storeProgram(const QByteArray& image);
  // The loader is done: it starts the program it holds, or, with none, waits
  // for a new one.
  void leaveLoader();
  bool loaderCutOff();
  bool loaderFaultAt(LoaderStep step, int frame, std::uint8_t& byte) const;
  QByteArray usbLoaderReply(std::uint8_t status) const;
  // The replies to a length or data report in the set layout; a fault
  // replaces the status of the last one.
  void answerUsbLoader(LoaderStep step, const HidReport& got, int frame = 0);

  Kind kind_;
  Clock& clock_;
  Mode mode_ = Mode::Program;
  ReaderSettings settings_;
  int programBaud_ = 9600;
  QByteArray versionText_;
  std::uint64_t buttonId_ = 0x2C00000A1B3D4E01ull;
  double rebootSeconds_ = 2.0;
  double rebootEnds_ = 0;
  std::optional<double> greetAgainAt_;   // the loader's next unanswered greeting
  std::optional<double> selfRestartAt_;  // the loader starting the program by itself
  std::optional<double> eventTime_;
  Faults faults_;
  UsbLoaderReplies usbLoaderReplies_ = UsbLoaderReplies::EchoThenStatus;
  int restarts_ = 0;
  bool programErased_ = false;  // no whole program: power-ups and restarts go to the loader

  CommandFramer serialFramer_;
  CommandFramer usbFramer_;
  CommandFramer loaderFramer_;
  std::vector<SerialBurst> serialOut_;
  std::deque<HidReport> reportsOut_;

  LoaderState loaderState_ = LoaderState::WaitUpdate;
  int loaderBaud_ = kLoaderBaud;
  int loaderFrames_ = 0;
  bool pendingFrameByte_ = false;
  std::uint8_t frameByte_ = 0;
  bool usbEraseHalf_ = false;
  ImageReceiver receiver_;
  QByteArray storedImage_;
};

}  // namespace mv4700
