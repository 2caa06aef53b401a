#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <deque>
#include <functional>
#include <memory>

#include "link/com_slots.h"
#include "link/serial_service.h"
#include "seams/clock.h"
#include "sim/reader_model.h"

namespace mv4700 {

// Sixteen serial ports in process, each empty (no such port), busy (held by
// another program) or wired to an emulated reader. What the reader sends
// arrives a set delay later on the clock, and only when the port runs at the
// speed the reader sent it at. Nothing runs by itself: every call on the port
// moves the line on, and pump() stands for the event loop that raises the
// receive notification.
class SimSerialService final : public SerialService {
 public:
  explicit SimSerialService(Clock& clock) : clock_(clock) {}

  // Wires a reader to port 1..16 whose program talks at `baud`.
  ReaderModel& attachReader(int port, ReaderModel::Kind kind, int baud = 9600);
  void setPortBusy(int port, bool busy = true);
  // The port exists but the system refuses this user (no udev rule, not in dialout).
  void setPortDenied(int port, bool denied = true);
  ReaderModel* reader(int port);
  // Everything the tool sent on the port, whatever the line speed.
  QByteArray sentBytes(int port) const;
  // Time from a byte leaving the reader until it waits in the port.
  void setReplyDelay(double seconds) { replyDelay_ = seconds; }
  // Delivers what is due and raises the receive handler when bytes came in.
  void pump();
  // The speed the port runs at under its settings text; -1 when the text
  // does not describe a line the reader can understand (n,8,1).
  int lineBaud() const;

  void setCommPort(int port) override { commPort_ = port; }
  int commPort() const override { return commPort_; }
  void setSettings(const QString& settings) override;
  QString settings() const override { return settings_; }
  void setInputMode(int mode) override { inputMode_ = mode; }
  int inBufferCount() override;
  void clearInBuffer() override;
  void clearOutBuffer() override {}
  void setPortOpen(bool open) override;
  bool portOpen() const override { return openPort_ != 0; }
  void output(const QByteArray& bytes) override;
  QByteArray input() override;
  void setReceiveHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
  int lastError() const override { return error_; }
  void clearError() override { error_ = 0; }
  QString lastOpenDenied() const override { return denied_; }

 private:
  struct Slot {
    bool busy = false;
    bool denied = false;
    std::unique_ptr<ReaderModel> reader;
    QByteArray sent;
  };
  struct InFlight {
    double due;
    int baud;
    QByteArray bytes;
  };

  Slot* slot(int port);
  void fail(int error) { error_ = error; }
  // Takes what the reader sent and lets due bytes arrive.
  void runLine();

  Clock& clock_;
  std::array<Slot, kComSlots> slots_;
  int commPort_ = 1;
  int openPort_ = 0;
  QString settings_ = QStringLiteral("9600,n,8,1");
  int inputMode_ = 0;
  double replyDelay_ = 0.002;
  std::deque<InFlight> inFlight_;
  QByteArray received_;
  bool notify_ = false;
  std::function<void()> handler_;
  int error_ = 0;
  QString denied_;
};

}  // namespace mv4700
