#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "link/com_slots.h"
#include "link/serial_service.h"
#include "seams/clock.h"
#include "sim/reader_model.h"
#include "sim/serial_wire.h"

namespace mv4700 {

// Sixteen serial ports in process, each empty (no such port), busy (held by
// another program) or wired to an emulated reader. The line runs on the
// clock at wire time: each byte takes ten bit times at its sender's speed,
// the reader hears a command when its last byte is in, and a byte the reader
// sends reaches the port only when the port ran at that byte's speed from the
// moment it was sent until it was in. Nothing runs by itself: every call on
// the port moves the line on, and pump() stands for the event loop that
// raises the receive notification.
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
  // Time the reader takes from the last byte of a command to the first of its answer.
  void setReplyDelay(double seconds) { replyDelay_ = seconds; }
  // A USB-serial adapter hands what it received over in packets: what comes
  // in within `seconds` of a packet's first byte is handed over with it, at
  // once. 0: every byte as soon as it is in, as a UART in low-latency mode.
  void setAdapterLatency(double seconds);
  // The line of port 1..16: its faults and its adapter.
  WireModel& line(int port) { return slots_.at(port - 1).line; }
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
    WireModel line;
  };
  Slot* slot(int port);
  void fail(int error) { error_ = error; }
  // Moves the line on to `now`: the reader hears what has come in, and what
  // it sent comes into the port.
  void runLine(double now);
  Clock& clock_;
  std::array<Slot, kComSlots> slots_;
  int commPort_ = 1;
  int openPort_ = 0;
  QString settings_ = QStringLiteral("9600,n,8,1");
  int inputMode_ = 0;
  double replyDelay_ = 0;
  QByteArray received_;
  bool notify_ = false;
  std::function<void()> handler_;
  int error_ = 0;
  QString denied_;
};

}  // namespace mv4700
