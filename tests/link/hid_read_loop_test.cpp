// The product backend's read loop against a real wait: poll() on a pipe, as
// hid_read_timeout waits on the hidraw node, with real signals sent to the
// reading thread.
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <thread>

#include "link/hid_library.h"
#include "link/hid_read_loop.h"

namespace mv4700 {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

void onSignal(int) {}

// A device whose reports come through a pipe; closing the write end is an unplug.
struct PipeDevice {
  PipeDevice() {
    EXPECT_EQ(::pipe(fds.data()), 0);
    struct sigaction action {};
    action.sa_handler = onSignal;  // no SA_RESTART: a handled signal breaks the wait
    ::sigaction(SIGUSR1, &action, &previous);
  }
  ~PipeDevice() {
    ::sigaction(SIGUSR1, &previous, nullptr);
    ::close(fds[0]);
    if (fds[1] >= 0) ::close(fds[1]);
  }
  // As hid_read_timeout: -1 when the wait breaks or the device hangs up.
  int readOnce(std::uint8_t* data, std::size_t size, int ms) const {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, ms);
    if (ready <= 0) return ready;
    if (p.revents & (POLLHUP | POLLERR)) return -1;
    return static_cast<int>(::read(fds[0], data, size));
  }
  void send(std::uint8_t first) const {
    const std::array<std::uint8_t, 8> report{first};
    EXPECT_EQ(::write(fds[1], report.data(), report.size()), 8);
  }
  void unplug() {
    ::close(fds[1]);
    fds[1] = -1;
    present = false;
  }

  std::array<int, 2> fds{-1, -1};
  std::atomic<bool> present{true};  // asked by the reading thread while another unplugs
  struct sigaction previous {};
};

TEST(HidReadLoop, SignalsDoNotEndTheWaitAndAnUnplugDoesAtOnce) {
  struct Case {
    const char* name;
    int reportsSent;  // at 0.3 s, then 0.1 s apart
    bool unplugAfter;
    std::uint32_t received;
    bool lost;
    double minSeconds, maxSeconds;
  } cases[] = {
      {"replies after signals", 3, false, 3, false, 0.5, 0.9},
      {"silence after signals lasts to the deadline", 0, false, 0, false, 0.99, 1.3},
      {"unplug during the wait", 1, true, 1, true, 0.3, 0.8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PipeDevice device;
    std::atomic<bool> done{false};
    const pthread_t reader = ::pthread_self();
    // Signals every 20 ms for as long as the read runs.
    std::thread signaller([&] {
      while (!done) {
        ::pthread_kill(reader, SIGUSR1);
        std::this_thread::sleep_for(20ms);
      }
    });
    std::thread plug([&] {
      std::this_thread::sleep_for(300ms);
      for (int i = 0; i < c.reportsSent; ++i) {
        device.send(static_cast<std::uint8_t>(0x1B + i));
        std::this_thread::sleep_for(100ms);
      }
      if (c.unplugAfter) device.unplug();
    });

    std::array<std::uint8_t, 27> buffer{};
    const Steady::time_point start = Steady::now();
    const ReadResult result = readReportsUntil(
        [&](std::uint8_t* d, std::size_t n, int ms) { return device.readOnce(d, n, ms); },
        [&] { return device.present.load(); }, buffer.data(), 3, start + 1s);
    const double took = std::chrono::duration<double>(Steady::now() - start).count();
    done = true;
    signaller.join();
    plug.join();

    EXPECT_EQ(result.received, c.received);
    EXPECT_EQ(result.deviceLost, c.lost);
    EXPECT_GE(took, c.minSeconds);
    EXPECT_LE(took, c.maxSeconds);
    for (std::uint32_t i = 0; i < result.received; ++i) {
      EXPECT_EQ(buffer[kReportLength * i], 0);  // the id the core expects in front
      EXPECT_EQ(buffer[kReportLength * i + 1], 0x1B + i);
    }
  }
}

}  // namespace
}  // namespace mv4700
