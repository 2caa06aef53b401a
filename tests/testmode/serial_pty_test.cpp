// Test mode on a serial reader: mv4700-sim on a pseudo-terminal, the product
// serial backend, and its receive notification from the event loop.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>

#include "testmode/test_mode.h"
#include "testmode/test_window.h"
#include "tests/support/emulated_serial_session.h"
#include "tests/support/plain_fields.h"

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
  EmulatedSerialSession run({"--model", "new", "--id", "0123456789ABCDEF"});
  ASSERT_TRUE(run.started());
  SimulatedReader& reader = run.reader;
  const RecordingStatusBox& box = run.box;
  PlainFields fields;
  NoWindow window;
  TestMode mode(run.session, fields, window);

  mode.startTest();
  ASSERT_EQ(run.session.linkState(), "TEST232");
  reader.command("touch");
  EXPECT_TRUE(runEventsUntil([&] { return box.openLine.contains("0123456789ABCDEF"); }))
      << box.shown().join('|').toStdString();

  mode.endTest();
  EXPECT_FALSE(run.serial.portOpen());
  reader.command("touch");
  runEventsUntil([] { return false; });
  EXPECT_EQ(box.shown(), QStringList{"* Test Mode end *"});
}

}  // namespace
}  // namespace mv4700::testing
