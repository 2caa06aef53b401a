#include "sim/sim_serial.h"

#include <QStringList>
#include <limits>

#include "link/serial_failures.h"

namespace mv4700 {

SimSerialService::Slot* SimSerialService::slot(int port) {
  return port >= 1 && port <= kComSlots ? &slots_[port - 1] : nullptr;
}

ReaderModel& SimSerialService::attachReader(int port, ReaderModel::Kind kind, int baud) {
  Slot& s = slots_.at(port - 1);
  s.reader = std::make_unique<ReaderModel>(kind, clock_);
  s.reader->setSerialBaud(baud);
  return *s.reader;
}

void SimSerialService::setPortBusy(int port, bool busy) {
  slots_.at(port - 1).busy = busy;
}

void SimSerialService::setPortDenied(int port, bool denied) {
  slots_.at(port - 1).denied = denied;
}

ReaderModel* SimSerialService::reader(int port) {
  Slot* s = slot(port);
  return s ? s->reader.get() : nullptr;
}

QByteArray SimSerialService::sentBytes(int port) const {
  return slots_.at(port - 1).sent;
}

int SimSerialService::lineBaud() const {
  const QStringList parts = settings_.split(',');
  bool ok = false;
  const int baud = parts.value(0).trimmed().toInt(&ok);
  if (!ok || baud <= 0 || parts.size() != 4) return -1;
  const bool n81 = parts[1].trimmed().compare("n", Qt::CaseInsensitive) == 0 &&
                   parts[2].trimmed() == "8" && parts[3].trimmed() == "1";
  return n81 ? baud : -1;
}

void SimSerialService::setSettings(const QString& settings) {
  const double now = clock_.seconds();
  runLine(now);
  const QString before = settings_;
  settings_ = settings;
  if (settings_.split(',').value(0).toInt() <= 0) {
    settings_ = before;
    fail(serial_failure::kUnsupported);
  }
  if (openPort_) slots_[openPort_ - 1].line.toolSpeed(now, lineBaud());
}

void SimSerialService::setAdapterLatency(double seconds) {
  for (Slot& s : slots_) s.line.setAdapterLatency(seconds);
}

void SimSerialService::runLine(double now) {
  if (!openPort_) return;
  Slot& s = slots_[openPort_ - 1];
  ReaderModel& r = *s.reader;
  for (const HeardByte& in : s.line.readerHears(now, [&r] { return r.serialBaud(); }))
    r.receiveSerial(QByteArray(1, in.byte), in.framingError ? -1 : r.serialBaud(), in.at);
  for (SerialBurst& burst : r.takeSerialOutput())
    s.line.readerSends(burst.bytes, burst.baud, burst.sentAt + replyDelay_);
  const QByteArray handed = s.line.toolHears(now);
  if (handed.isEmpty()) return;
  received_ += handed;
  notify_ = true;
}

void SimSerialService::pump() {
  runLine(clock_.seconds());
  if (!notify_ || !openPort_) return;
  notify_ = false;
  if (handler_) handler_();
}

int SimSerialService::inBufferCount() {
  runLine(clock_.seconds());
  return openPort_ ? static_cast<int>(received_.size()) : 0;
}

void SimSerialService::clearInBuffer() {
  received_.clear();
}

void SimSerialService::setPortOpen(bool open) {
  if (!open) {
    if (openPort_) {
      // Closing drains what the port was still sending: the reader hears it.
      Slot& s = slots_[openPort_ - 1];
      ReaderModel& r = *s.reader;
      for (const HeardByte& in : s.line.readerHears(std::numeric_limits<double>::infinity(),
                                                    [&r] { return r.serialBaud(); }))
        r.receiveSerial(QByteArray(1, in.byte), in.framingError ? -1 : r.serialBaud(), in.at);
      s.line.clear();
    }
    openPort_ = 0;
    received_.clear();
    return;
  }
  if (openPort_) return;
  denied_.clear();
  Slot* s = slot(commPort_);
  if (s && s->denied) {
    denied_ = QStringLiteral("/dev/ttyS-sim%1").arg(commPort_);
    return fail(serial_failure::kPermission);
  }
  if (!s || (!s->busy && !s->reader)) return fail(serial_failure::kDeviceNotFound);
  if (s->busy) return fail(serial_failure::kPermission);
  openPort_ = commPort_;
  // What the reader sent while nobody listened is gone.
  s->reader->takeSerialOutput();
  s->line.clear();
  s->line.toolSpeed(clock_.seconds(), lineBaud());
  received_.clear();
  notify_ = false;
}

void SimSerialService::output(const QByteArray& bytes) {
  if (!openPort_) return fail(serial_failure::kNotOpen);
  const double now = clock_.seconds();
  runLine(now);
  Slot& s = slots_[openPort_ - 1];
  s.sent += bytes;
  s.line.toolSends(bytes, now);
}

QByteArray SimSerialService::input() {
  if (!openPort_) {
    fail(serial_failure::kNotOpen);
    return {};
  }
  runLine(clock_.seconds());
  return std::exchange(received_, {});
}

}  // namespace mv4700
