#pragma once

#include <QByteArray>
#include <functional>

#include "link/serial_service.h"

namespace mv4700::testing {

// Sits between the tool and a serial service and calls `afterOutput` with
// every block the tool sends, so a test can change the device at a given step.
class SerialTap final : public SerialService {
 public:
  explicit SerialTap(SerialService& inner) : inner_(inner) {}

  std::function<void(const QByteArray&)> afterOutput;
  std::function<void()> afterOpen;  // each time the port opened

  void setCommPort(int port) override { inner_.setCommPort(port); }
  int commPort() const override { return inner_.commPort(); }
  void setSettings(const QString& settings) override { inner_.setSettings(settings); }
  QString settings() const override { return inner_.settings(); }
  void setInputMode(int mode) override { inner_.setInputMode(mode); }
  int inBufferCount() override { return inner_.inBufferCount(); }
  void clearInBuffer() override { inner_.clearInBuffer(); }
  void clearOutBuffer() override { inner_.clearOutBuffer(); }
  void setPortOpen(bool open) override {
    inner_.setPortOpen(open);
    if (open && inner_.portOpen() && afterOpen) afterOpen();
  }
  bool portOpen() const override { return inner_.portOpen(); }
  void output(const QByteArray& bytes) override {
    inner_.output(bytes);
    if (afterOutput) afterOutput(bytes);
  }
  QByteArray input() override { return inner_.input(); }
  void setReceiveHandler(std::function<void()> handler) override {
    inner_.setReceiveHandler(std::move(handler));
  }
  int lastError() const override { return inner_.lastError(); }
  void clearError() override { inner_.clearError(); }

 private:
  SerialService& inner_;
};

}  // namespace mv4700::testing
