#pragma once

#include <QSerialPort>
#include <QStringList>
#include <functional>
#include <optional>

#include "link/low_latency.h"
#include "link/serial_service.h"

namespace mv4700 {

// The serial port over QSerialPort. COM slots map to device paths (see
// com_slots.h). The busy waits poll inBufferCount() without an event loop, so
// counting, reading and writing go straight to the port's descriptor, with the
// received bytes kept here like a driver's input buffer; the receive
// notification needs the event loop. A device that goes away (the line hangs
// up, reads fail or end) is noticed by the waits and by the event loop; the
// event loop then closes the port and raises the line-lost handler.
class QtSerialService final : public SerialService {
 public:
  explicit QtSerialService(DriverSerialFlags& driverFlags = systemSerialFlags());
  ~QtSerialService() override;

  void setCommPort(int port) override { commPort_ = port; }
  int commPort() const override { return commPort_; }
  void setSettings(const QString& settings) override;
  QString settings() const override { return settings_; }
  void setInputMode(int mode) override { inputMode_ = mode; }
  int inBufferCount() override;
  void clearInBuffer() override;
  void clearOutBuffer() override;
  void setPortOpen(bool open) override;
  bool portOpen() const override { return port_.isOpen(); }
  void output(const QByteArray& bytes) override;
  QByteArray input() override;
  void setReceiveHandler(std::function<void()> handler) override;
  void setLineLostHandler(std::function<void()> handler) override;
  int lastError() const override { return error_; }
  void clearError() override;
  // The last port that refused access; cleared when a port opens.
  QString lastOpenDenied() const override { return denied_; }

  // The device path the port is open on (after symlinks); empty when closed.
  QString openPath() const override { return port_.isOpen() ? openPath_ : QString(); }
  // COM `slot` (1 unless told) is this port and no other slot is used, in
  // place of MV4700_COM_PORTS and the system's ports (a front end told to use
  // one port, a bench reader found there). The path is taken whole, commas
  // and blanks included.
  void setOnlyPort(const QString& path, int slot = 1) {
    onlyPort_ = path;
    onlySlot_ = slot;
  }

 private:
  void open();
  void close();
  bool applySettings();
  void fail(QSerialPort::SerialPortError error);
  void failFromErrno(QSerialPort::SerialPortError otherwise);
  void takeFromPort();
  // Reads what the driver holds; `known` when poll() already said there is some.
  void readWaiting(bool known = false);
  // After the port reported a read failure in the event loop: is the line still there?
  void checkLine();
  // The device went away: waits stop asking the line, and the event loop
  // closes this opening of the port.
  void lineLost();
  void closeLostLine(int opening);

  QSerialPort port_;
  int commPort_ = 1;
  QString settings_ = QStringLiteral("9600,n,8,1");
  int inputMode_ = 0;
  int error_ = 0;
  QString denied_;
  QString openPath_;
  std::optional<QString> onlyPort_;
  int onlySlot_ = 1;
  std::optional<QStringList> systemPorts_;  // as listed at the last open of COM1
  std::function<void()> handler_;
  std::function<void()> lostHandler_;
  QByteArray received_;  // read from the driver, not yet taken by input()
  LowLatency lowLatency_;
  int opening_ = 0;  // counts the opens, so a late notice never closes a later opening
  bool lost_ = false;
};

}  // namespace mv4700
