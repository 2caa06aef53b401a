#include "bench/firmware_flash/pty_alone.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace mv4700::bench {

namespace {

constexpr double kHiccupSeconds = 200e-6;

bool echoOnce(int fd) {
  pollfd in{fd, POLLIN, 0};
  char byte = 0;
  return ::poll(&in, 1, 1000) == 1 && ::read(fd, &byte, 1) == 1 && ::write(fd, &byte, 1) == 1;
}

}  // namespace

PtyRoundTrips measurePtyAlone(int count, double pauseSeconds) {
  PtyRoundTrips result;
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return result;
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    ::close(master);
    return result;
  }
  termios raw{};
  ::tcgetattr(slave, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(slave, TCSANOW, &raw);

  using Steady = std::chrono::steady_clock;
  std::thread echo([slave, count] {
    for (int i = 0; i < count && echoOnce(slave); ++i) {
    }
  });
  std::vector<double> trips;
  for (int i = 0; i < count; ++i) {
    std::this_thread::sleep_for(std::chrono::duration<double>(pauseSeconds));
    const Steady::time_point start = Steady::now();
    const char byte = 0;
    char got = 0;
    pollfd in{master, POLLIN, 0};
    if (::write(master, &byte, 1) != 1 || ::poll(&in, 1, 1000) != 1 || ::read(master, &got, 1) != 1)
      break;
    trips.push_back(std::chrono::duration<double>(Steady::now() - start).count());
  }
  echo.join();
  ::close(slave);
  ::close(master);
  if (trips.empty()) return result;
  for (double trip : trips)
    if (trip > kHiccupSeconds) {
      ++result.hiccups;
      result.hiccupSeconds += trip - kHiccupSeconds;
    }
  result.count = static_cast<int>(trips.size());
  std::nth_element(trips.begin(), trips.begin() + trips.size() / 2, trips.end());
  result.medianSeconds = trips[trips.size() / 2];
  return result;
}

}  // namespace mv4700::bench
