#pragma once

#include "link/hid_library.h"
#include "link/serial_service.h"

namespace mv4700::testing {

// Passes every call on to another HID library. Test taps derive from it and
// override only the calls they watch or spoil.
class ForwardingHid : public HidLibrary {
 public:
  explicit ForwardingHid(HidLibrary& inner) : inner_(inner) {}

  std::uint32_t GetNumHidDevices(std::uint16_t v, std::uint16_t p) override {
    return inner_.GetNumHidDevices(v, p);
  }
  std::uint8_t Open(HidHandle& d, std::uint32_t i, std::uint16_t v, std::uint16_t p,
                    std::uint32_t n) override {
    return inner_.Open(d, i, v, p, n);
  }
  HidHandle GetHandle(HidHandle d) override { return inner_.GetHandle(d); }
  std::uint16_t GetInputReportBufferLength(HidHandle d) override {
    return inner_.GetInputReportBufferLength(d);
  }
  std::uint16_t GetOutputReportBufferLength(HidHandle d) override {
    return inner_.GetOutputReportBufferLength(d);
  }
  std::uint8_t SetOutputReport_Interrupt(HidHandle d, const std::uint8_t* b,
                                         std::uint32_t n) override {
    return inner_.SetOutputReport_Interrupt(d, b, n);
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& got) override {
    return inner_.GetInputReport_Interrupt(d, b, size, reports, got);
  }
  std::uint8_t Close(HidHandle d) override { return inner_.Close(d); }
  void FlushBuffers(HidHandle d) override { inner_.FlushBuffers(d); }
  QString lastOpenDenied() const override { return inner_.lastOpenDenied(); }
  QString devicePath(HidHandle d) const override { return inner_.devicePath(d); }
  QString deviceLocation(HidHandle d) const override { return inner_.deviceLocation(d); }
  QString locationAt(std::uint32_t i) const override { return inner_.locationAt(i); }

 private:
  HidLibrary& inner_;
};

// Passes every call on to another serial port.
class ForwardingSerial : public SerialService {
 public:
  explicit ForwardingSerial(SerialService& inner) : inner_(inner) {}

  void setCommPort(int p) override { inner_.setCommPort(p); }
  int commPort() const override { return inner_.commPort(); }
  void setSettings(const QString& s) override { inner_.setSettings(s); }
  QString settings() const override { return inner_.settings(); }
  void setInputMode(int m) override { inner_.setInputMode(m); }
  int inBufferCount() override { return inner_.inBufferCount(); }
  void clearInBuffer() override { inner_.clearInBuffer(); }
  void clearOutBuffer() override { inner_.clearOutBuffer(); }
  void setPortOpen(bool open) override { inner_.setPortOpen(open); }
  bool portOpen() const override { return inner_.portOpen(); }
  void output(const QByteArray& bytes) override { inner_.output(bytes); }
  QByteArray input() override { return inner_.input(); }
  void setReceiveHandler(std::function<void()> h) override {
    inner_.setReceiveHandler(std::move(h));
  }
  void setLineLostHandler(std::function<void()> h) override {
    inner_.setLineLostHandler(std::move(h));
  }
  int lastError() const override { return inner_.lastError(); }
  void clearError() override { inner_.clearError(); }
  QString lastOpenDenied() const override { return inner_.lastOpenDenied(); }

 private:
  SerialService& inner_;
};

}  // namespace mv4700::testing
