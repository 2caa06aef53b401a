#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/firmware/hid_tap.h"
#include "tests/firmware/image_files.h"
#include "tests/firmware/serial_tap.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {

// The whole update against emulated readers on both links, on the test clock.
// One rig per case, so no reader state leaks from one case into the next.
struct FlashRig {
  // Writes the image to a file and runs the update on it; returns the file bytes.
  QByteArray flash(const ImageShape& shape) {
    const QByteArray bytes = makeImage(shape);
    const QString path = dir.filePath(QStringLiteral("fw%1.bin").arg(++files));
    EXPECT_TRUE(writeFile(path, bytes));
    outcome = Fwupdate(session, image, dialogs, path, watch);
    return bytes;
  }
  QString lastLine() const { return status.lines.isEmpty() ? QString() : status.lines.back(); }

  QTemporaryDir dir;
  int files = 0;
  TestClock clock;
  SimHidLibrary hid{clock};
  HidTap hidTap{hid};
  SimSerialService serial{clock};
  SerialTap serialTap{serial};
  RecordingStatusBox status;
  DeviceSession session{hidTap, serialTap, status, clock};
  ScriptedDialogs dialogs;
  FirmwareImage image;
  TransferWatch* watch = nullptr;
  Outcome outcome = Outcome::Declined;
};

}  // namespace mv4700::testing
