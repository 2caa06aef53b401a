// Test mode on a serial reader: mv4700-sim on a pseudo-terminal, the product
// serial backend, and its receive notification from the event loop.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>

#include "testmode/test_mode.h"
#include "testmode/test_window.h"
#include "tests/support/emulated_serial_session.h"
#include "tests/support/plain_fields.h"

namespace mv4700::testing {
namespace {

struct NoWindow final : TestWindow {
  void setTestingLabelVisible(bool visible) override { labelVisible = visible; }
  void setFileAndProgMenusEnabled(bool enabled) override { menusEnabled = enabled; }
  bool labelVisible = false;
  bool menusEnabled = true;
};

double processorSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Runs the event loop until `done` or half a second has passed.
template <typename Done>
bool runEventsUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 500)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// A serial test running against mv4700-sim, with a touched iButton shown.
class TestModeOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(run.started());
    mode.startTest();
    ASSERT_EQ(run.session.linkState(), "TEST232");
    run.reader.command("touch");
    ASSERT_TRUE(runEventsUntil([&] { return box.openLine.contains("0123456789ABCDEF"); }))
        << box.shown().join('|').toStdString();
  }

  EmulatedSerialSession run{{"--model", "new", "--id", "0123456789ABCDEF"}, 3};
  const RecordingStatusBox& box = run.box;
  PlainFields fields;
  NoWindow window;
  TestMode mode{run.session, fields, window};
};

TEST_F(TestModeOverPty, TouchAppearsUntilEndTestClosesThePort) {
  mode.endTest();
  EXPECT_FALSE(run.serial.portOpen());
  run.reader.command("touch");
  runEventsUntil([] { return false; });
  EXPECT_EQ(box.shown(), QStringList{"* Test Mode end *"});
}

TEST_F(TestModeOverPty, ALostLineEndsTheTestWithOneLine) {
  run.reader.stop();  // the adapter is pulled out
  const double before = processorSeconds();
  QEventLoop loop;
  QTimer::singleShot(700, &loop, &QEventLoop::quit);
  loop.exec();
  const double used = processorSeconds() - before;

  const QString lost = "TQ-4700 RS232 line lost at com: 3, port closed. * Test Mode end *";
  EXPECT_EQ(box.lines.count(lost), 1) << box.shown().join('|').toStdString();
  EXPECT_EQ(box.lines.last(), lost);
  EXPECT_TRUE(box.lines.join("").contains("0123456789ABCDEF")) << "what was read stays";
  EXPECT_FALSE(run.serial.portOpen());
  EXPECT_EQ(run.session.linkState(), "END");
  EXPECT_FALSE(window.labelVisible);
  EXPECT_TRUE(window.menusEnabled);
  for (Field f : kAllFields) EXPECT_TRUE(fields.enabled(f)) << int(f);
  // Spinning on the dead line would take most of the time.
  EXPECT_LT(used, 0.25) << "processor seconds in 0.7 s";
}

}  // namespace
}  // namespace mv4700::testing
