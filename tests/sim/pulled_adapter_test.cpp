// mv4700-sim's "hangup" and "replug" as the tool meets them: the product
// serial backend on the emulator's pseudo-terminal, found through the link
// that --link keeps, and the adapter pulled in the middle of a command.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <thread>

#include "commands/commands.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "link/serial_qt.h"
#include "sim/sim_hid.h"
#include "tests/firmware/image_files.h"
#include "tests/link/core_application.h"
#include "tests/reliability/hooked_links.h"
#include "tests/support/forwarding_links.h"
#include "tests/support/plain_fields.h"
#include "tests/support/qt_printers.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

using Steady = std::chrono::steady_clock;

// Waits up to two seconds for `done`.
bool within2s(const std::function<bool()>& done) {
  const Steady::time_point end = Steady::now() + std::chrono::seconds(2);
  while (!done()) {
    if (Steady::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// One emulated 4700-01 at 19200 baud on COM1, named by its --link path as a
// by-id link names an adapter, and the tool's product serial backend.
struct PulledAdapter : ::testing::Test {
  PulledAdapter() {
    ensureCoreApplication();
    qputenv("MV4700_COM_PORTS", QFile::encodeName(link));
  }
  ~PulledAdapter() override { qunsetenv("MV4700_COM_PORTS"); }

  // Pulls the adapter; true once its port is gone.
  bool hangUp() {
    reader.command("hangup");
    return within2s([this] { return !QFileInfo::exists(link); });
  }
  bool replug() {
    reader.command("replug");
    return within2s([this] { return QFileInfo::exists(link); });
  }
  // Seconds a command took.
  double timed(const std::function<void()>& command) {
    const Steady::time_point start = Steady::now();
    command();
    return std::chrono::duration<double>(Steady::now() - start).count();
  }

  QTemporaryDir dir;
  QString link = dir.filePath("usb-Mirevantis_4700-if00-port0");
  SimulatedReader reader{MV4700_SIM_PATH, {"--baud", "19200", "--wire-time", "--link", link}};
  SteadyClock clock;
  SimHidLibrary noUsb{clock};
  QtSerialService port;
  HookedSerial watched{port};
  RecordingStatusBox box;
  DeviceSession session{noUsb, watched, box, clock};
};

TEST_F(PulledAdapter, ACommandCutOffEndsWithItsFailureLineAndThePortClosed) {
  ASSERT_TRUE(QFileInfo::exists(link)) << "mv4700-sim did not start";
  const QByteArray identify("\x1B\x00", 2);
  bool pulled = false;
  watched.beforeOutput = [&](const QByteArray& bytes) {
    if (bytes != identify && !pulled) pulled = hangUp();
  };
  PlainFields fields;
  const double took = timed([&] { readSettings(session, fields); });
  ASSERT_TRUE(pulled);
  ASSERT_FALSE(box.lines.isEmpty());
  EXPECT_TRUE(box.lines.last().startsWith("Read RS232 value Error!"))
      << box.lines.join('\n').toStdString();
  EXPECT_FALSE(port.portOpen());
  EXPECT_TRUE(session.linkState().isEmpty());
  // The search found the reader at once; the command waits its second at most.
  EXPECT_LT(took, 1.0 + 0.2 + 0.5);

  // Plugged in again under a new name: the next command finds it by the link.
  watched.beforeOutput = nullptr;
  ASSERT_TRUE(replug());
  box.lines.clear();
  readVersion(session);
  EXPECT_TRUE(box.lines.contains("Found NEW 4700-01 RS232 at com:  1 Baud: 19200"))
      << box.lines.join('\n').toStdString();
  EXPECT_EQ(session.replyText, "4700-01 Firmware V2.10");
  EXPECT_FALSE(port.portOpen());
}

TEST_F(PulledAdapter, AnUpdateCutOffInItsFramesAbortsAndClosesThePort) {
  ASSERT_TRUE(QFileInfo::exists(link)) << "mv4700-sim did not start";
  const QString path = dir.filePath("fw.bin");
  ASSERT_TRUE(writeFile(path, makeImage({.length = 300})));
  int frames = 0;
  bool pulled = false;
  Steady::time_point pulledAt;
  watched.beforeOutput = [&](const QByteArray& bytes) {
    if (bytes.size() == 2 && bytes[1] == '\x55' && ++frames == 120 && !pulled) {
      pulled = hangUp();
      pulledAt = Steady::now();
    }
  };
  ScriptedDialogs dialogs;
  FirmwareImage image;
  Fwupdate(session, image, dialogs, path);
  const double afterPull = std::chrono::duration<double>(Steady::now() - pulledAt).count();
  ASSERT_TRUE(pulled);
  ASSERT_FALSE(box.lines.isEmpty());
  EXPECT_EQ(box.lines.last(), "Total 300 Bytes. Writing:..Receive device ACK timeout, Flash abort!")
      << box.lines.join('\n').toStdString();
  EXPECT_FALSE(port.portOpen());
  EXPECT_LT(afterPull, 2.0 + 0.5);
}

}  // namespace
}  // namespace mv4700::testing
