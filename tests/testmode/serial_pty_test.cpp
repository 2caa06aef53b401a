// Test mode on a serial reader: mv4700-sim on a pseudo-terminal, the product
// serial backend, and its receive notification from the event loop.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/clock.h"
#include "link/device_session.h"
#include "link/serial_qt.h"
#include "sim/sim_hid.h"
#include "testmode/test_mode.h"
#include "testmode/test_window.h"
#include "tests/link/core_application.h"
#include "tests/support/simulated_reader.h"
#include "tests/support/plain_fields.h"
#include "tests/support/recording_status_box.h"

namespace mv4700::testing {
namespace {

struct NoWindow final : TestWindow {
  void setTestingLabelVisible(bool) override {}
  void setFileAndProgMenusEnabled(bool) override {}
};

// Runs the event loop until `done` or half a second has passed.
template <typename Done>
bool runEventsUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 500)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

TEST(TestModeOverPty, TouchAppearsUntilEndTestClosesThePort) {
  ensureCoreApplication();
  SimulatedReader reader(MV4700_SIM_PATH, {"--model", "new", "--id", "0123456789ABCDEF"});
  ASSERT_FALSE(reader.path().isEmpty());
  qputenv("MV4700_COM_PORTS", reader.path().toLocal8Bit());

  SteadyClock clock;
  SimHidLibrary noUsb(clock);
  QtSerialService serial;
  RecordingStatusBox box;
  PlainFields fields;
  NoWindow window;
  DeviceSession session(noUsb, serial, box, clock);
  TestMode mode(session, fields, window);

  mode.startTest();
  ASSERT_EQ(session.linkState(), "TEST232");
  reader.command("touch");
  EXPECT_TRUE(runEventsUntil([&] { return box.openLine.contains("0123456789ABCDEF"); }))
      << box.shown().join('|').toStdString();

  mode.endTest();
  EXPECT_FALSE(serial.portOpen());
  reader.command("touch");
  runEventsUntil([] { return false; });
  EXPECT_EQ(box.shown(), QStringList{"* Test Mode end *"});
  qunsetenv("MV4700_COM_PORTS");
}

}  // namespace
}  // namespace mv4700::testing
