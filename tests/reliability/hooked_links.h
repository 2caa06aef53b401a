#pragma once

#include <QByteArray>
#include <functional>
#include <set>

#include "link/hid_library.h"
#include "link/serial_service.h"

namespace mv4700::testing {

// Passes every HID call through, keeps the handles the tool holds open, and
// calls `beforeSend` with the number of each output report (from 1) before it
// goes out, so a test can pull the reader at a chosen step.
class HookedHid final : public HidLibrary {
 public:
  explicit HookedHid(HidLibrary& inner) : in_(inner) {}

  std::function<void(int send)> beforeSend;
  std::set<HidHandle> openHandles;

  std::uint32_t GetNumHidDevices(std::uint16_t v, std::uint16_t p) override {
    return in_.GetNumHidDevices(v, p);
  }
  std::uint8_t Open(HidHandle& d, std::uint32_t i, std::uint16_t v, std::uint16_t p,
                    std::uint32_t n) override {
    const std::uint8_t status = in_.Open(d, i, v, p, n);
    if (status == 0) openHandles.insert(d);
    return status;
  }
  HidHandle GetHandle(HidHandle d) override { return in_.GetHandle(d); }
  std::uint16_t GetInputReportBufferLength(HidHandle d) override {
    return in_.GetInputReportBufferLength(d);
  }
  std::uint16_t GetOutputReportBufferLength(HidHandle d) override {
    return in_.GetOutputReportBufferLength(d);
  }
  std::uint8_t SetOutputReport_Interrupt(HidHandle d, const std::uint8_t* b,
                                         std::uint32_t n) override {
    if (beforeSend) beforeSend(++sends_);
    return in_.SetOutputReport_Interrupt(d, b, n);
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& got) override {
    return in_.GetInputReport_Interrupt(d, b, size, reports, got);
  }
  std::uint8_t Close(HidHandle d) override {
    openHandles.erase(d);
    return in_.Close(d);
  }

 private:
  HidLibrary& in_;
  int sends_ = 0;
};

// Passes every serial call through and calls `beforeOutput` with each block
// before it goes out.
class HookedSerial final : public SerialService {
 public:
  explicit HookedSerial(SerialService& inner) : in_(inner) {}

  std::function<void(const QByteArray&)> beforeOutput;

  void setCommPort(int p) override { in_.setCommPort(p); }
  int commPort() const override { return in_.commPort(); }
  void setSettings(const QString& s) override { in_.setSettings(s); }
  QString settings() const override { return in_.settings(); }
  void setInputMode(int m) override { in_.setInputMode(m); }
  int inBufferCount() override { return in_.inBufferCount(); }
  void clearInBuffer() override { in_.clearInBuffer(); }
  void clearOutBuffer() override { in_.clearOutBuffer(); }
  void setPortOpen(bool open) override { in_.setPortOpen(open); }
  bool portOpen() const override { return in_.portOpen(); }
  void output(const QByteArray& bytes) override {
    if (beforeOutput) beforeOutput(bytes);
    in_.output(bytes);
  }
  QByteArray input() override { return in_.input(); }
  void setReceiveHandler(std::function<void()> h) override { in_.setReceiveHandler(std::move(h)); }
  int lastError() const override { return in_.lastError(); }
  void clearError() override { in_.clearError(); }

 private:
  SerialService& in_;
};

}  // namespace mv4700::testing
