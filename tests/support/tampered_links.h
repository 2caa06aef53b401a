#pragma once

#include <QByteArray>
#include <functional>

#include "tests/support/forwarding_links.h"

namespace mv4700::testing {

// Once `armAfterSends` output reports went out, lets `tamper` change each
// read's buffer and byte count: a reply the reader's firmware would never give.
class TamperedHid final : public ForwardingHid {
 public:
  using ForwardingHid::ForwardingHid;

  int armAfterSends = 1;
  std::function<void(std::uint8_t* buffer, std::uint32_t& bytesReturned)> tamper;

  std::uint8_t SetOutputReport_Interrupt(HidHandle d, const std::uint8_t* b,
                                         std::uint32_t n) override {
    ++sends_;
    return ForwardingHid::SetOutputReport_Interrupt(d, b, n);
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& got) override {
    const std::uint8_t status = ForwardingHid::GetInputReport_Interrupt(d, b, size, reports, got);
    if (sends_ > armAfterSends && tamper) tamper(b, got);
    return status;
  }

 private:
  int sends_ = 0;
};

// Once `armAfterOutputs` sends went out, shows what arrives through `tamper`.
class TamperedSerial final : public ForwardingSerial {
 public:
  explicit TamperedSerial(SerialService& inner) : ForwardingSerial(inner) {}

  int armAfterOutputs = 1;
  std::function<QByteArray(const QByteArray& arrived)> tamper;

  int inBufferCount() override {
    if (!armed()) return ForwardingSerial::inBufferCount();
    if (ForwardingSerial::inBufferCount() > 0) arrived_ += ForwardingSerial::input();
    return static_cast<int>(tamper(arrived_).size());
  }
  void clearInBuffer() override {
    arrived_.clear();
    ForwardingSerial::clearInBuffer();
  }
  void output(const QByteArray& bytes) override {
    ++outputs_;
    ForwardingSerial::output(bytes);
  }
  QByteArray input() override {
    if (!armed()) return ForwardingSerial::input();
    arrived_ += ForwardingSerial::input();
    const QByteArray shown = tamper(arrived_);
    arrived_.clear();
    return shown;
  }

 private:
  bool armed() const { return outputs_ > armAfterOutputs && tamper; }
  int outputs_ = 0;
  QByteArray arrived_;
};

}  // namespace mv4700::testing
