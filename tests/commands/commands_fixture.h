#pragma once

#include <gtest/gtest.h>

#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/plain_fields.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {

// A session wired to emulated readers: none at first; tests add them on USB
// or on a COM slot.
class CommandsTest : public ::testing::Test {
 protected:
  TestClock clock;
  SimHidLibrary hid{clock};
  SimSerialService serial{clock};
  RecordingStatusBox box;
  ScriptedDialogs dialogs;
  PlainFields fields;
  DeviceSession session{hid, serial, box, clock};

  void expectIdle() {
    EXPECT_TRUE(session.linkState().isEmpty());
    EXPECT_FALSE(serial.portOpen());
  }
};

}  // namespace mv4700::testing
