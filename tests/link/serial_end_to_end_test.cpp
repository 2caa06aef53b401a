#include <gtest/gtest.h>

#include "link/serial_link.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "tests/link/core_application.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/simulated_reader.h"

namespace mv4700 {
namespace {

class SerialEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::ensureCoreApplication(); }
  void TearDown() override { qunsetenv("MV4700_COM_PORTS"); }
};

TEST_F(SerialEndToEnd, TheSearchFindsTheEmulatorAtItsBaudOnItsSlot) {
  struct Case {
    QString model;
    int baud;
    QString found;
    int baudIndex;
  };
  const Case cases[] = {
      {"new", 115200, "Found NEW 4700-01 RS232 at com:  3 Baud: 115200", 9},
      {"old", 19200, "Found 4700 RS232 at com:  3 Baud: 19200", 6},
  };
  for (const Case& c : cases) {
    testing::SimulatedReader reader(MV4700_SIM_PATH,
                                    {"--model", c.model, "--baud", QString::number(c.baud)});
    ASSERT_FALSE(reader.path().isEmpty()) << "mv4700-sim did not start";
    qputenv("MV4700_COM_PORTS", (",," + reader.path()).toLocal8Bit());
    QtSerialService port;
    testing::RecordingStatusBox status;
    SteadyClock clock;
    LinkShared shared;
    SerialLink serial(port, status, clock, shared);

    serial.Comsearch();

    EXPECT_EQ(status.lines, QStringList({"Searching COM 1~16 for 4700... ", c.found}))
        << c.model.toStdString();
    EXPECT_EQ(serial.comPort, 3);
    EXPECT_EQ(serial.baudIndex, c.baudIndex);
    EXPECT_EQ(shared.newModel, c.model == "new");
    EXPECT_TRUE(port.portOpen());
    EXPECT_EQ(port.openPath(), reader.path());

    // The port stays usable for the command that follows: identify once more.
    serial.txBytes = QByteArray("\x1B\x00", 2);
    serial.sendTxBytes();
    serial.Comwait(10, 1.0f);
    EXPECT_EQ(serial.rxDone, 1);
    serial.closePort();
  }
}

}  // namespace
}  // namespace mv4700
