#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace mv4700 {

// The serial-port operations the tool uses, after the classic comm control.
// A failing operation never throws: it records a failure number (0 = none, the
// others in serial_failures.h), the last one wins, and the caller reads it with
// lastError() after its exchange.
class SerialService {
 public:
  virtual ~SerialService() = default;

  virtual void setCommPort(int port) = 0;  // 1..16, before opening
  virtual int commPort() const = 0;
  virtual void setSettings(const QString& settings) = 0;  // "9600,n,8,1"; applies at once if open
  virtual QString settings() const = 0;
  virtual void setInputMode(int mode) = 0;  // 1: raw bytes
  virtual int inBufferCount() = 0;
  virtual void clearInBuffer() = 0;   // InBufferCount = 0
  virtual void clearOutBuffer() = 0;  // OutBufferCount = 0
  virtual void setPortOpen(bool open) = 0;
  virtual bool portOpen() const = 0;
  virtual void output(const QByteArray& bytes) = 0;  // send; returns when the bytes have left
  virtual QByteArray input() = 0;                    // take everything received

  // Raised on the window's thread whenever at least one byte has arrived.
  virtual void setReceiveHandler(std::function<void()> handler) = 0;
  // Raised on the window's thread when the open port's device went away
  // (unplugged, hung up). The port is closed by then, with the failure
  // recorded. A port that cannot tell never raises it.
  virtual void setLineLostHandler(std::function<void()> handler) { (void)handler; }

  virtual int lastError() const = 0;
  virtual void clearError() = 0;

  // Why the last open failed when access was refused, for the permission hint.
  virtual QString lastOpenDenied() const { return {}; }
  // The device path the port is open on, for listing; empty when closed or unknown.
  virtual QString openPath() const { return {}; }
};

}  // namespace mv4700
