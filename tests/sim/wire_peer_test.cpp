// An independent peer on mv4700-sim --wire-time: another process, with a
// raw port and no code of the tool's, that writes and times its own
// exchanges from its own write. None may complete sooner than the wire.
#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <thread>

#include "firmware/erase_command.h"
#include "tests/support/raw_port.h"
#include "tests/support/simulated_reader.h"

namespace mv4700 {
namespace {

using testing::RawPort;
using testing::SimulatedReader;
using Steady = std::chrono::steady_clock;

constexpr double kAllowed = 0.0002;  // the peer's own clock reads

struct Exchange {
  QByteArray request;
  int replyLength;
};

// Runs `count` exchanges with a little idle between them, varying so that
// the writes fall at every phase of the emulator's sleep; returns the least
// margin of any exchange over its wire time.
double leastMargin(RawPort& port, const Exchange& e, int baud, int count) {
  const double wire = (e.request.size() + e.replyLength) * 10.0 / baud;
  double least = 1e9;
  for (int k = 0; k < count; ++k) {
    std::this_thread::sleep_for(std::chrono::microseconds(100 * (k % 7)));
    const Steady::time_point sent = Steady::now();
    if (!port.send(e.request)) return -1;
    const QByteArray reply = port.receive(e.replyLength, 500);
    const double took = std::chrono::duration<double>(Steady::now() - sent).count();
    if (reply.size() != e.replyLength) return -1;
    least = std::min(least, took - wire);
  }
  return least;
}

TEST(WirePeer, NoIdentifyCompletesSoonerThanTheWire) {
  for (const int baud : {9600, 115200}) {
    SimulatedReader sim(MV4700_SIM_PROGRAM, {"--wire-time", "--baud", QString::number(baud)});
    ASSERT_FALSE(sim.path().isEmpty());
    RawPort port(sim.path(), baud);
    ASSERT_TRUE(port.isOpen());
    const double margin =
        leastMargin(port, {QByteArray("\x1B\x00", 2), 10}, baud, baud == 9600 ? 120 : 400);
    EXPECT_GE(margin, -kAllowed) << baud << " baud: an exchange beat the wire";
  }
}

TEST(WirePeer, NoLoaderFrameCompletesSoonerThanTheWire) {
  SimulatedReader sim(MV4700_SIM_PROGRAM, {"--wire-time", "--boot-seconds", "0.05"});
  ASSERT_FALSE(sim.path().isEmpty());
  RawPort port(sim.path(), 9600);
  ASSERT_TRUE(port.send(
      QByteArray(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size())));
  ASSERT_EQ(port.receive(1, 2000), "\xFA");
  ASSERT_TRUE(port.send(QByteArray::fromHex("1BA802")));
  ASSERT_EQ(port.receive(1), "\xFA");
  port.setBaud(57600);
  ASSERT_TRUE(port.send("\xFA"));
  ASSERT_EQ(port.receive(1), "\xFA");
  const double margin = leastMargin(port, {QByteArray::fromHex("0055"), 1}, 57600, 500);
  EXPECT_GE(margin, -kAllowed) << "a frame beat the wire";
}

}  // namespace
}  // namespace mv4700
