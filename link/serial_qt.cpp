#include "link/serial_qt.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPortInfo>
#include <cerrno>
#include <ctime>
#include <utility>

#include "link/com_slots.h"
#include "link/serial_failures.h"

namespace mv4700 {

namespace {

constexpr int kWriteTimeoutMs = 2000;
constexpr timespec kIdlePoll{0, 1'000'000};  // 1 ms

struct LineSettings {
  qint32 baud = 0;
  QSerialPort::Parity parity = QSerialPort::NoParity;
  QSerialPort::DataBits dataBits = QSerialPort::Data8;
  QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// "9600,n,8,1": baud, parity letter, data bits, stop bits.
std::optional<LineSettings> parseSettings(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 4) return std::nullopt;
  LineSettings s;
  bool ok = false;
  s.baud = parts[0].trimmed().toInt(&ok);
  if (!ok || s.baud <= 0) return std::nullopt;

  const QString parity = parts[1].trimmed().toLower();
  if (parity == u"n")
    s.parity = QSerialPort::NoParity;
  else if (parity == u"e")
    s.parity = QSerialPort::EvenParity;
  else if (parity == u"o")
    s.parity = QSerialPort::OddParity;
  else if (parity == u"m")
    s.parity = QSerialPort::MarkParity;
  else if (parity == u"s")
    s.parity = QSerialPort::SpaceParity;
  else
    return std::nullopt;

  const int bits = parts[2].trimmed().toInt(&ok);
  if (!ok || bits < 5 || bits > 8) return std::nullopt;
  s.dataBits = static_cast<QSerialPort::DataBits>(bits);

  const QString stop = parts[3].trimmed();
  if (stop == u"1")
    s.stopBits = QSerialPort::OneStop;
  else if (stop == u"1.5")
    s.stopBits = QSerialPort::OneAndHalfStop;
  else if (stop == u"2")
    s.stopBits = QSerialPort::TwoStop;
  else
    return std::nullopt;
  return s;
}

QStringList systemPortLocations() {
  QStringList locations;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    locations << info.systemLocation();
  return locations;
}

int failureNumber(QSerialPort::SerialPortError error) {
  namespace f = serial_failure;
  switch (error) {
    case QSerialPort::NoError:
      return f::kNone;
    case QSerialPort::DeviceNotFoundError:
      return f::kDeviceNotFound;
    case QSerialPort::PermissionError:
      return f::kPermission;
    case QSerialPort::OpenError:
      return f::kOpen;
    case QSerialPort::WriteError:
      return f::kWrite;
    case QSerialPort::ReadError:
      return f::kRead;
    case QSerialPort::ResourceError:
      return f::kLineLost;
    case QSerialPort::UnsupportedOperationError:
      return f::kUnsupported;
    case QSerialPort::TimeoutError:
      return f::kTimeout;
    case QSerialPort::NotOpenError:
      return f::kNotOpen;
    case QSerialPort::UnknownError:
      break;
  }
  return f::kUnknown;
}

}  // namespace

QtSerialService::QtSerialService(DriverSerialFlags& driverFlags) : lowLatency_(driverFlags) {
  QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] {
    takeFromPort();
    if (handler_) handler_();
  });
  // A hung-up line keeps the port's read notifier firing, and each time it
  // reports a failed read; that is where the event loop learns of it.
  QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                   [this](QSerialPort::SerialPortError error) {
                     if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
                       checkLine();
                   });
}

QtSerialService::~QtSerialService() {
  // The port must not call the handlers while it is being destroyed.
  handler_ = nullptr;
  lostHandler_ = nullptr;
  close();
}

void QtSerialService::setReceiveHandler(std::function<void()> handler) {
  handler_ = std::move(handler);
}

void QtSerialService::setLineLostHandler(std::function<void()> handler) {
  lostHandler_ = std::move(handler);
}

void QtSerialService::fail(QSerialPort::SerialPortError error) {
  error_ = failureNumber(error);
}

void QtSerialService::clearError() {
  error_ = 0;
  port_.clearError();
}

void QtSerialService::failFromErrno(QSerialPort::SerialPortError otherwise) {
  // A device that went away (unplugged adapter, closed terminal) reads EIO or ENXIO.
  if (errno == EIO || errno == ENXIO || errno == ENODEV) return lineLost();
  fail(otherwise);
}

void QtSerialService::lineLost() {
  fail(QSerialPort::ResourceError);
  if (std::exchange(lost_, true)) return;
  // Not from inside the port's own notification: closing there would delete
  // the notifier that is calling.
  QMetaObject::invokeMethod(
      &port_, [this, opening = opening_] { closeLostLine(opening); }, Qt::QueuedConnection);
}

void QtSerialService::closeLostLine(int opening) {
  if (opening != opening_ || !port_.isOpen()) return;
  close();
  fail(QSerialPort::ResourceError);
  if (lostHandler_) lostHandler_();
}

void QtSerialService::checkLine() {
  if (!port_.isOpen() || lost_) return;
  pollfd line{static_cast<int>(port_.handle()), POLLIN, 0};
  if (::poll(&line, 1, 0) <= 0) return;  // a read that found nothing: the line is fine
  if (line.revents & (POLLHUP | POLLERR | POLLNVAL)) return lineLost();
  const qsizetype before = received_.size();
  readWaiting(true);
  if (received_.size() > before && handler_) handler_();
}

void QtSerialService::setSettings(const QString& settings) {
  settings_ = settings;
  if (port_.isOpen()) applySettings();
}

bool QtSerialService::applySettings() {
  const std::optional<LineSettings> s = parseSettings(settings_);
  if (!s) {
    fail(QSerialPort::UnsupportedOperationError);
    return false;
  }
  const bool ok = port_.setBaudRate(s->baud) && port_.setParity(s->parity) &&
                  port_.setDataBits(s->dataBits) && port_.setStopBits(s->stopBits) &&
                  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (!ok) {
    fail(port_.error() != QSerialPort::NoError ? port_.error()
                                               : QSerialPort::UnsupportedOperationError);
    port_.clearError();
  }
  return ok;
}

void QtSerialService::setPortOpen(bool open) {
  if (!open) return close();
  if (!port_.isOpen()) this->open();
}

void QtSerialService::close() {
  if (port_.isOpen()) {
    lowLatency_.release(static_cast<int>(port_.handle()));
    port_.close();
  }
  received_.clear();
  lost_ = false;
}

void QtSerialService::open() {
  // A refusal belongs to this open only, not to a slot that has since gone.
  denied_.clear();
  const std::optional<QString> listed = listedComPorts();
  // Listing the system's ports takes milliseconds and a search opens 64
  // slots: list them when a pass starts at COM1, and keep that list for the
  // pass and for the port it finds.
  if (!onlyPort_ && !listed && (commPort_ == 1 || !systemPorts_))
    systemPorts_ = systemPortLocations();
  const QString path = onlyPort_
                           ? (commPort_ == onlySlot_ ? *onlyPort_ : QString())
                           : comSlotPath(commPort_, listed, listed ? QStringList() : *systemPorts_);
  // Open the device itself, so that a by-id link and its target share one lock file.
  const QString device = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
  if (device.isEmpty()) return fail(QSerialPort::DeviceNotFoundError);
  if (!applySettings()) return;

  port_.setPortName(device);
  if (!port_.open(QIODevice::ReadWrite)) {
    const QSerialPort::SerialPortError error = port_.error();
    fail(error != QSerialPort::NoError ? error : QSerialPort::OpenError);
    // A permission error also means another program holds the lock; only a
    // refused access is worth the hint.
    if (error == QSerialPort::PermissionError &&
        ::access(device.toLocal8Bit().constData(), R_OK | W_OK) != 0)
      denied_ = device;
    port_.clearError();
    return;
  }
  ++opening_;
  lost_ = false;
  openPath_ = device;
  denied_.clear();
  // USB-serial adapters that buffer for a latency timer would stretch every
  // one-byte acknowledgement of a firmware transfer.
  lowLatency_.engage(static_cast<int>(port_.handle()));
  // Bytes left from before the open belong to no exchange.
  port_.clear(QSerialPort::AllDirections);
  received_.clear();
}

void QtSerialService::takeFromPort() {
  // Bytes the event loop read through the port are older than any still
  // waiting in the driver.
  if (port_.bytesAvailable() > 0) received_ += port_.readAll();
}

void QtSerialService::readWaiting(bool known) {
  takeFromPort();
  const int fd = static_cast<int>(port_.handle());
  if (!known) {
    // Asking first: a read that finds nothing costs a tty far more than the question.
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0) return failFromErrno(QSerialPort::ReadError);
    if (waiting <= 0) return;
  }
  char chunk[4096];
  ssize_t n = 0;
  do {
    n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) received_.append(chunk, n);
  } while (n == sizeof chunk);
  // The port never blocks, so a read that ends the data is a line that hung up.
  if (n == 0) return lineLost();
  if (n < 0 && errno != EAGAIN && errno != EINTR) failFromErrno(QSerialPort::ReadError);
}

int QtSerialService::inBufferCount() {
  if (!port_.isOpen()) return 0;
  takeFromPort();
  // The callers poll in a tight loop. Sleeping until a byte arrives, for a
  // short bound, answers as fast and leaves the processor to the other side.
  // A hung-up line would answer every poll at once: it is not asked again.
  if (lost_) {
    ::nanosleep(&kIdlePoll, nullptr);
    return static_cast<int>(received_.size());
  }
  pollfd line{static_cast<int>(port_.handle()), POLLIN, 0};
  if (::ppoll(&line, 1, &kIdlePoll, nullptr) > 0) {
    if (line.revents & POLLIN) readWaiting(true);
    if (line.revents & (POLLHUP | POLLERR | POLLNVAL)) lineLost();
  }
  return static_cast<int>(received_.size());
}

void QtSerialService::clearInBuffer() {
  received_.clear();
  if (port_.isOpen()) port_.clear(QSerialPort::Input);
}

void QtSerialService::clearOutBuffer() {
  if (port_.isOpen()) port_.clear(QSerialPort::Output);
}

void QtSerialService::output(const QByteArray& bytes) {
  if (!port_.isOpen()) return fail(QSerialPort::NotOpenError);
  const int fd = static_cast<int>(port_.handle());
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
    if (n > 0) {
      data += n;
      left -= n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return failFromErrno(QSerialPort::WriteError);
    // The driver's buffer is full: wait for room, but not for ever.
    pollfd writable{fd, POLLOUT, 0};
    const int ready = ::poll(&writable, 1, kWriteTimeoutMs);
    if (ready == 0) return fail(QSerialPort::TimeoutError);
    if (ready < 0 && errno != EINTR) return failFromErrno(QSerialPort::WriteError);
  }
}

QByteArray QtSerialService::input() {
  if (!port_.isOpen()) {
    fail(QSerialPort::NotOpenError);
    return {};
  }
  readWaiting();
  return std::exchange(received_, {});
}

}  // namespace mv4700
