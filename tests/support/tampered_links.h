#pragma once

#include <QByteArray>
#include <cstring>
#include <functional>

#include "link/hid_library.h"
#include "link/serial_service.h"

namespace mv4700::testing {

// Passes every HID call through to a real library (the emulator) and, once
// `armAfterSends` output reports went out, lets `tamper` change each read's
// buffer and byte count: a reply the reader's firmware would never give.
class TamperedHid final : public HidLibrary {
 public:
  explicit TamperedHid(HidLibrary& inner) : in_(inner) {}

  int armAfterSends = 1;
  std::function<void(std::uint8_t* buffer, std::uint32_t& bytesReturned)> tamper;

  std::uint32_t GetNumHidDevices(std::uint16_t v, std::uint16_t p) override {
    return in_.GetNumHidDevices(v, p);
  }
  std::uint8_t Open(HidHandle& d, std::uint32_t i, std::uint16_t v, std::uint16_t p,
                    std::uint32_t n) override {
    return in_.Open(d, i, v, p, n);
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
    ++sends_;
    return in_.SetOutputReport_Interrupt(d, b, n);
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& got) override {
    const std::uint8_t status = in_.GetInputReport_Interrupt(d, b, size, reports, got);
    if (sends_ > armAfterSends && tamper) tamper(b, got);
    return status;
  }
  std::uint8_t Close(HidHandle d) override { return in_.Close(d); }

 private:
  HidLibrary& in_;
  int sends_ = 0;
};

// Passes every serial call through to a real port (the emulator) and, once
// `armAfterOutputs` sends went out, shows what arrives through `tamper`.
class TamperedSerial final : public SerialService {
 public:
  explicit TamperedSerial(SerialService& inner) : in_(inner) {}

  int armAfterOutputs = 1;
  std::function<QByteArray(const QByteArray& arrived)> tamper;

  void setCommPort(int p) override { in_.setCommPort(p); }
  int commPort() const override { return in_.commPort(); }
  void setSettings(const QString& s) override { in_.setSettings(s); }
  QString settings() const override { return in_.settings(); }
  void setInputMode(int m) override { in_.setInputMode(m); }
  int inBufferCount() override {
    if (!armed()) return in_.inBufferCount();
    if (in_.inBufferCount() > 0) arrived_ += in_.input();
    return static_cast<int>(tamper(arrived_).size());
  }
  void clearInBuffer() override {
    arrived_.clear();
    in_.clearInBuffer();
  }
  void clearOutBuffer() override { in_.clearOutBuffer(); }
  void setPortOpen(bool open) override { in_.setPortOpen(open); }
  bool portOpen() const override { return in_.portOpen(); }
  void output(const QByteArray& bytes) override {
    ++outputs_;
    in_.output(bytes);
  }
  QByteArray input() override {
    if (!armed()) return in_.input();
    arrived_ += in_.input();
    const QByteArray shown = tamper(arrived_);
    arrived_.clear();
    return shown;
  }
  void setReceiveHandler(std::function<void()> h) override { in_.setReceiveHandler(std::move(h)); }
  int lastError() const override { return in_.lastError(); }
  void clearError() override { in_.clearError(); }

 private:
  bool armed() const { return outputs_ > armAfterOutputs && tamper; }
  SerialService& in_;
  int outputs_ = 0;
  QByteArray arrived_;
};

}  // namespace mv4700::testing
