#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace mv4700 {

// One wait for one input report, as hid_read_timeout makes it: the bytes read
// (without a report id), 0 when the time ran out, or -1 with errno set.
using ReadOnce = std::function<int(std::uint8_t* data, std::size_t size, int milliseconds)>;

struct ReadResult {
  std::uint32_t received = 0;  // 9-byte reports written to the buffer
  bool deviceLost = false;
};

// Reads up to `wanted` 9-byte reports (id 0 in front) into `buffer` until
// `deadline`. A wait a signal broke (-1 with EINTR), or one that returned
// early with nothing while the device is still there, goes on waiting until
// the deadline; only a device that is gone ends the read at once.
ReadResult readReportsUntil(const ReadOnce& readOnce, const std::function<bool()>& deviceThere,
                            std::uint8_t* buffer, std::uint32_t wanted,
                            std::chrono::steady_clock::time_point deadline);

}  // namespace mv4700
