#pragma once

#include <QByteArray>
#include <functional>
#include <set>

#include "tests/support/forwarding_links.h"

namespace mv4700::testing {

// Keeps the handles the tool holds open, and calls `beforeSend` with the
// number of each output report (from 1) before it goes out, so a test can
// pull the reader at a chosen step.
class HookedHid final : public ForwardingHid {
 public:
  using ForwardingHid::ForwardingHid;

  std::function<void(int send)> beforeSend;
  std::set<HidHandle> openHandles;

  std::uint8_t Open(HidHandle& d, std::uint32_t i, std::uint16_t v, std::uint16_t p,
                    std::uint32_t n) override {
    const std::uint8_t status = ForwardingHid::Open(d, i, v, p, n);
    if (status == 0) openHandles.insert(d);
    return status;
  }
  std::uint8_t SetOutputReport_Interrupt(HidHandle d, const std::uint8_t* b,
                                         std::uint32_t n) override {
    if (beforeSend) beforeSend(++sends_);
    return ForwardingHid::SetOutputReport_Interrupt(d, b, n);
  }
  std::uint8_t Close(HidHandle d) override {
    openHandles.erase(d);
    return ForwardingHid::Close(d);
  }

 private:
  int sends_ = 0;
};

// Calls `beforeOutput` with each block before it goes out: the reader can be
// gone before it hears the command.
class HookedSerial final : public ForwardingSerial {
 public:
  using ForwardingSerial::ForwardingSerial;

  std::function<void(const QByteArray&)> beforeOutput;

  void output(const QByteArray& bytes) override {
    if (beforeOutput) beforeOutput(bytes);
    ForwardingSerial::output(bytes);
  }
};

}  // namespace mv4700::testing
