#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "tests/support/forwarding_links.h"

namespace mv4700::testing {

// Sits between the tool and an emulated HID library: records every output
// report and can fail chosen sends, silence the device from a send on, or
// change a reply, as a flaky cable or driver would; and can act between two
// enumerations.
class HidTap final : public ForwardingHid {
 public:
  using Report = std::array<std::uint8_t, 9>;
  static constexpr std::uint8_t kFailed = 0x05;

  explicit HidTap(HidLibrary& inner) : ForwardingHid(inner) {}

  std::vector<Report> sent;
  std::set<std::size_t> failSends;   // 1-based numbers of sends that fail
  std::size_t silentAfterSend = 0;   // from this send on no report arrives (0: never)
  std::size_t patchReplyToSend = 0;  // the reply read after this send gets...
  std::size_t patchByte = 0;         // ...this byte of its first report...
  std::uint8_t patchValue = 0;       // ...set to this value
  // Called with the number of each send (from 1) once it went out.
  std::function<void(std::size_t send)> afterSend;
  std::size_t counts = 0;
  // Called with the number of each enumeration (from 1) before it runs: an
  // operator's hand unplugging or replugging a reader between two looks.
  std::function<void(std::size_t count)> beforeCount;

  // Runs each action before the enumeration that many from now (1: the next).
  void beforeCounts(std::map<std::size_t, std::function<void()>> actions) {
    beforeCount = [from = counts, actions = std::move(actions)](std::size_t n) {
      if (const auto it = actions.find(n - from); it != actions.end()) it->second();
    };
  }

  std::uint32_t GetNumHidDevices(std::uint16_t vid, std::uint16_t pid) override {
    ++counts;
    if (beforeCount) beforeCount(counts);
    return ForwardingHid::GetNumHidDevices(vid, pid);
  }

  std::uint8_t SetOutputReport_Interrupt(HidHandle device, const std::uint8_t* buffer,
                                         std::uint32_t size) override {
    Report r{};
    std::copy_n(buffer, std::min<std::uint32_t>(size, 9), r.begin());
    sent.push_back(r);
    if (failSends.count(sent.size())) return kFailed;
    const std::uint8_t status = ForwardingHid::SetOutputReport_Interrupt(device, buffer, size);
    if (afterSend) afterSend(sent.size());
    return status;
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle device, std::uint8_t* buffer, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& returned) override {
    const std::uint8_t status =
        ForwardingHid::GetInputReport_Interrupt(device, buffer, size, reports, returned);
    if (silentAfterSend != 0 && sent.size() >= silentAfterSend) {
      returned = 0;
      return kFailed;
    }
    if (patchReplyToSend != 0 && sent.size() == patchReplyToSend && returned > patchByte)
      buffer[patchByte] = patchValue;
    return status;
  }
};

}  // namespace mv4700::testing
