#include "app/window_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cmath>

namespace mv4700 {

namespace {

// Well inside the second a desktop gives a window to answer its ping.
constexpr double kPumpSeconds = 0.05;

}  // namespace

void keepWindowAlive(Clock& clock, double& lastPump) {
  const double now = clock.seconds();
  if (now - lastPump < kPumpSeconds) return;
  lastPump = now;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

double WindowClock::seconds() {
  keepWindowAlive(steady_, lastPump_);
  return steady_.seconds();
}

void WindowClock::sleepUntil(double until) {
  // A timer may fire a little early: go on until the time has really come.
  for (double left = until - steady_.seconds(); left > 0; left = until - steady_.seconds()) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::ceil(left * 1000)), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  lastPump_ = steady_.seconds();
}

}  // namespace mv4700
