// The commands through the product serial backend to mv4700-sim on a
// pseudo-terminal, with the steady clock: what an operator's run does.
#include <gtest/gtest.h>

#include "app/clock.h"
#include "commands/commands.h"
#include "link/device_session.h"
#include "link/serial_qt.h"
#include "sim/sim_hid.h"
#include "tests/link/core_application.h"
#include "tests/support/simulated_reader.h"
#include "tests/support/plain_fields.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_status_box.h"

namespace mv4700::testing {
namespace {

TEST(CommandsOverPty, WriteThenReadShowsWhatWasWritten) {
  ensureCoreApplication();
  SimulatedReader reader(MV4700_SIM_PATH, {"--model", "new", "--baud", "19200"});
  ASSERT_FALSE(reader.path().isEmpty());
  qputenv("MV4700_COM_PORTS", reader.path().toLocal8Bit());

  SteadyClock clock;
  SimHidLibrary noUsb(clock);
  QtSerialService serial;
  RecordingStatusBox box;
  DeviceSession session(noUsb, serial, box, clock);

  PlainFields written;
  written.setText(Field::Text1, "ID:");
  written.setText(Field::Combo2, "12");
  written.setText(Field::Combo3, "<LF>");
  written.setTag(Field::Combo3, "2");
  written.setValue(Field::Check2, 1);
  writeSettings(session, written);
  EXPECT_EQ(box.lines.last(), "Programming settings to TQ-4700 RS232 OK!");
  EXPECT_TRUE(box.lines.contains("Found NEW 4700-01 RS232 at com:  1 Baud: 19200"));

  PlainFields back;
  readSettings(session, back);
  EXPECT_EQ(box.lines.last(), "Read 4700-01 RS232 value OK!");
  for (Field f : kAllFields) EXPECT_EQ(back.state(f), written.state(f)) << int(f);
  EXPECT_FALSE(serial.portOpen());
  EXPECT_TRUE(session.linkState().isEmpty());
  qunsetenv("MV4700_COM_PORTS");
}

}  // namespace
}  // namespace mv4700::testing
