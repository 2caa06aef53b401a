#include "link/hid_read_loop.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <thread>

#include "link/hid_library.h"

namespace mv4700 {

namespace {

// How long a failing call waits before it is tried again, so it never spins.
constexpr auto kRetryPause = std::chrono::milliseconds(10);

}  // namespace

ReadResult readReportsUntil(const ReadOnce& readOnce, const std::function<bool()>& deviceThere,
                            std::uint8_t* buffer, std::uint32_t wanted,
                            std::chrono::steady_clock::time_point deadline) {
  using Steady = std::chrono::steady_clock;
  ReadResult result;
  while (result.received < wanted) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now());
    if (left.count() <= 0) break;
    std::array<std::uint8_t, 64> data{};
    errno = 0;
    const int n = readOnce(data.data(), data.size(), static_cast<int>(left.count()));
    if (n > 0) {
      std::uint8_t* report = buffer + kReportLength * result.received;
      report[0] = 0;
      std::fill_n(report + 1, kReportLength - 1, 0);
      std::copy_n(data.begin(), std::min(n, kReportLength - 1), report + 1);
      ++result.received;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (!deviceThere()) {
      result.deviceLost = true;
      break;
    }
    std::this_thread::sleep_for(std::min<Steady::duration>(kRetryPause, left));
  }
  return result;
}

}  // namespace mv4700
