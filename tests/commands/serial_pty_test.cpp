// The commands through the product serial backend to mv4700-sim on a
// pseudo-terminal, with the steady clock: what an operator's run does.
#include <gtest/gtest.h>

#include "commands/commands.h"
#include "tests/support/emulated_serial_session.h"
#include "tests/support/plain_fields.h"
#include "tests/support/qt_printers.h"

namespace mv4700::testing {
namespace {

TEST(CommandsOverPty, WriteThenReadShowsWhatWasWritten) {
  EmulatedSerialSession run({"--model", "new", "--baud", "19200"});
  ASSERT_TRUE(run.started());
  DeviceSession& session = run.session;
  const RecordingStatusBox& box = run.box;

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
  EXPECT_FALSE(run.serial.portOpen());
  EXPECT_TRUE(session.linkState().isEmpty());
}

}  // namespace
}  // namespace mv4700::testing
