#include <gtest/gtest.h>

#include "settings/default_fields.h"
#include "tests/support/plain_fields.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/sample_fields.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700 {
namespace {

using testing::PlainFields;
using testing::RecordingStatusBox;
using testing::ScriptedDialogs;

// Fields as a read from a reader might leave them: every value changed, two
// fields disabled.
PlainFields changedFields() {
  PlainFields fields = testing::nonDefaultFields();
  fields.setEnabled(Field::Check2, false);
  fields.setEnabled(Field::Text1, false);
  return fields;
}

TEST(ClearAllFields, OkRestoresTheStartUpValuesAndSaysSoCancelChangesNothing) {
  for (const auto answer : {Dialogs::Answer::Ok, Dialogs::Answer::Cancel}) {
    SCOPED_TRACE(answer == Dialogs::Answer::Ok ? "OK" : "Cancel");
    PlainFields fields = changedFields();
    const PlainFields before = fields;
    RecordingStatusBox status;
    status.printLine("Read settings OK");
    ScriptedDialogs dialogs;
    dialogs.answers = {answer};

    clearAllFields(fields, status, dialogs);

    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(dialogs.shown[0].buttons, Dialogs::Buttons::OkCancel);
    EXPECT_EQ(dialogs.shown[0].title, "Clear Fields");
    EXPECT_EQ(dialogs.shown[0].text, "Confirm ? ");

    PlainFields expected = answer == Dialogs::Answer::Ok ? PlainFields{} : before;
    expected.setEnabled(Field::Check2, false);  // enabled states are never touched
    expected.setEnabled(Field::Text1, false);
    for (Field f : kAllFields) EXPECT_EQ(fields.state(f), expected.state(f));

    if (answer == Dialogs::Answer::Ok) {
      EXPECT_EQ(status.shown(), QStringList{"All fileds sets to default !"});
      EXPECT_GE(status.refreshes, 1);
    } else {
      EXPECT_EQ(status.shown(), QStringList{"Read settings OK"});
      EXPECT_EQ(status.clears, 0);
    }
  }
}

}  // namespace
}  // namespace mv4700
