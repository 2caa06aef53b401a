#include "commands/verified_write.h"

#include "commands_fixture.h"

namespace mv4700::testing {
namespace {

// A reader pinned to the speed it was found at answers at the speed just
// written once the write is done: the read back still finds it, and the
// session keeps its pin.
TEST_F(CommandsTest, ReadBackFindsAReaderAtTheSpeedJustWritten) {
  serial.attachReader(2, ReaderModel::Kind::New, 57600);
  session.shared.usbSearch = false;
  session.serial.fixedBaudCode = 8;  // 57600
  fields.setText(Field::Text1, "AB");
  const VerifiedWrite result = writeVerifiedSettings(session, fields);
  EXPECT_EQ(result.outcome, Outcome::Done) << box.lines.join('\n').toStdString();
  EXPECT_TRUE(result.compared);
  EXPECT_TRUE(result.differences.isEmpty());
  EXPECT_EQ(session.serial.fixedBaudCode, 8);
  expectIdle();
}

// A field the reader does not keep (the old model has no CapsLock switch) is
// a difference, and the write fails; a reader that does not answer was
// never compared.
TEST_F(CommandsTest, AFieldReadBackDifferentlyFailsTheWrite) {
  serial.attachReader(1, ReaderModel::Kind::Old);
  fields.setValue(Field::Check2, 1);
  const VerifiedWrite result = writeVerifiedSettings(session, fields);
  EXPECT_EQ(result.outcome, Outcome::Failed);
  ASSERT_EQ(result.differences.size(), 1);
  EXPECT_EQ(differenceLine(result.differences[0]),
            QStringLiteral("%1: written on, read back off").arg(result.differences[0].key));

  serial.reader(1)->faults().silent = true;
  const VerifiedWrite none = writeVerifiedSettings(session, fields);
  EXPECT_EQ(none.outcome, Outcome::NoReader);
  EXPECT_FALSE(none.compared);
}

}  // namespace
}  // namespace mv4700::testing
