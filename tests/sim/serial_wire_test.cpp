// The serial line as numbers: when each byte is in on either side, which
// speed it was heard at, and the faults of real lines.
#include "sim/serial_wire.h"

#include <gtest/gtest.h>

#include <bit>

namespace mv4700 {
namespace {

constexpr double kEps = 1e-9;  // rounding of sums of byte times

double bt(int baud) {
  return byteSeconds(baud);
}

// The reader listens at a fixed speed.
std::vector<HeardByte> readerAt(WireModel& wire, double now, int baud) {
  return wire.readerHears(now, [baud] { return baud; });
}

QByteArray bytesOf(const std::vector<HeardByte>& heard) {
  QByteArray bytes;
  for (const HeardByte& h : heard) bytes += h.byte;
  return bytes;
}

// Times of arrival, in byte times of `baud` after 0.
std::vector<double> inByteTimes(const std::vector<HeardByte>& heard, int baud) {
  std::vector<double> at;
  for (const HeardByte& h : heard) at.push_back(h.at / bt(baud));
  return at;
}

WireModel pacedLine(int toolBaud) {
  WireModel wire;
  wire.setPaced(true);
  wire.toolSpeed(0, toolBaud);
  return wire;
}

struct ExchangeCase {
  const char* name;
  int baud;
  int requestBytes;
  int replyBytes;
};

// A reply is never in before the request's last byte plus the reply's own
// bytes, and each byte comes one byte time after the one before.
TEST(SerialWire, AReplyIsInNoSoonerThanRequestAndReplyOnTheWire) {
  for (const ExchangeCase c : {ExchangeCase{"identify at 9600", 9600, 2, 10},
                               ExchangeCase{"settings read at 115200", 115200, 5, 36},
                               ExchangeCase{"loader frame at 57600", 57600, 2, 1}}) {
    WireModel wire = pacedLine(c.baud);
    wire.toolSends(QByteArray(c.requestBytes, 'a'), 0);
    const double requestIn = c.requestBytes * bt(c.baud);
    EXPECT_TRUE(readerAt(wire, requestIn - kEps, c.baud).size() ==
                static_cast<size_t>(c.requestBytes - 1))
        << c.name;
    const std::vector<HeardByte> request = readerAt(wire, requestIn + kEps, c.baud);
    ASSERT_EQ(request.size(), 1u) << c.name;
    EXPECT_NEAR(request[0].at, requestIn, kEps) << c.name;

    wire.readerSends(QByteArray(c.replyBytes, 'b'), c.baud, request[0].at);
    const double replyIn = (c.requestBytes + c.replyBytes) * bt(c.baud);
    EXPECT_EQ(wire.toolHears(replyIn - kEps).size(), c.replyBytes - 1) << c.name;
    EXPECT_EQ(wire.toolHears(replyIn + kEps), QByteArray(1, 'b')) << c.name;
    EXPECT_NEAR(wire.lastInAtTool(), replyIn, kEps) << c.name;
  }
}

// Sends that overlap queue back to back; a send after a silent gap starts
// when it was made.
TEST(SerialWire, BurstsQueueBackToBackAndGapsStaySilent) {
  WireModel wire = pacedLine(9600);
  wire.toolSends("ab", 0);
  wire.toolSends("c", 0.5 * bt(9600));  // while "a" is still on the line
  wire.toolSends("d", 10 * bt(9600));   // after a gap
  const std::vector<HeardByte> heard = readerAt(wire, 1.0, 9600);
  EXPECT_EQ(bytesOf(heard), "abcd");
  const std::vector<double> expected{1, 2, 3, 11};
  const std::vector<double> got = inByteTimes(heard, 9600);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], expected[k], 1e-6) << k;
  EXPECT_FALSE(wire.nextDue(9600).has_value());
}

// The tool switches its port's speed just after a write: the bytes not yet
// leaving go at the new speed, and a reader at the old one hears broken
// frames; the byte already leaving ends at its old speed.
TEST(SerialWire, ASpeedChangedMidRequestGarblesItsTail) {
  WireModel wire = pacedLine(19200);
  wire.toolSends("wxyz", 0);
  wire.toolSpeed(1.5 * bt(19200), 9600);  // "x" is on its way
  const std::vector<HeardByte> heard = readerAt(wire, 1.0, 19200);
  ASSERT_EQ(heard.size(), 4u);
  EXPECT_EQ(bytesOf(heard).left(2), "wx");
  EXPECT_FALSE(heard[1].framingError);
  EXPECT_TRUE(heard[2].framingError && heard[3].framingError);
  // Each of the tail's bytes took a 9600-baud byte time.
  EXPECT_NEAR(heard[3].at, 2 * bt(19200) + 2 * bt(9600), 1e-9);
  // A reader at the new speed hears the tail and not the head.
  WireModel again = pacedLine(19200);
  again.toolSends("wxyz", 0);
  again.toolSpeed(1.5 * bt(19200), 9600);
  const std::vector<HeardByte> atNew = readerAt(again, 1.0, 9600);
  ASSERT_EQ(atNew.size(), 4u);
  EXPECT_TRUE(atNew[0].framingError && atNew[1].framingError);
  EXPECT_EQ(bytesOf(atNew).mid(2), "yz");
}

// The reader's bytes reach the tool only while its port runs at their speed
// from their start to their end.
TEST(SerialWire, TheToolHearsOnlyAtTheSpeedTheBytesWereSentAt) {
  WireModel wire = pacedLine(9600);
  wire.readerSends("\xFA", 9600, 0);
  wire.toolSpeed(0.5 * bt(9600), 57600);  // switched while the byte was coming
  wire.readerSends("\xFA", 57600, 2 * bt(9600));
  EXPECT_EQ(wire.toolHears(1.0), QByteArray("\xFA"));
}

struct GarbageCase {
  const char* name;
  int sentAt;
  int heardAt;
  QByteArray sent;
  QByteArray heard;  // framing errors read as 00
};

// With the garbage fault a frame at another speed arrives as what the
// receiver's UART makes of it: it takes the first low level as a start bit
// and samples the middle of each of its own bits.
TEST(SerialWire, WrongSpeedGarbageIsWhatTheReceiversUartMakesOfTheLine) {
  const GarbageCase cases[] = {
      // Same speed: the bytes as sent.
      {"same speed", 9600, 9600, QByteArray::fromHex("1B0007"), QByteArray::fromHex("1B0007")},
      // 00 at half the receiver's speed: nine low bits read as 00 without a
      // stop bit, then the rest of the low stretch as 80.
      {"00 heard twice as fast", 9600, 19200, QByteArray::fromHex("00"),
       QByteArray::fromHex("0080")},
      // FF at twice the receiver's speed: only the start bit is low.
      {"FF heard half as fast", 19200, 9600, QByteArray::fromHex("FF"), QByteArray::fromHex("FF")},
  };
  for (const GarbageCase& c : cases) {
    WireModel wire = pacedLine(c.heardAt);
    wire.faults().wrongSpeedGarbage = true;
    wire.readerSends(c.sent, c.sentAt, 0);
    EXPECT_EQ(wire.toolHears(1.0).toHex(), c.heard.toHex()) << c.name;
  }
  // The reader's side sees the flag itself.
  WireModel wire = pacedLine(9600);
  wire.faults().wrongSpeedGarbage = true;
  wire.toolSends(QByteArray(1, '\0'), 0);
  const std::vector<HeardByte> heard = readerAt(wire, 1.0, 19200);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_TRUE(heard[0].framingError);
  EXPECT_FALSE(heard[1].framingError);
  // Without the fault the tool hears nothing of a frame at another speed.
  WireModel plain = pacedLine(19200);
  plain.readerSends("\x1B\x00", 9600, 0);
  EXPECT_TRUE(plain.toolHears(1.0).isEmpty());
}

// Lost bytes and flipped bits follow their seed: the same seed, the same errors.
TEST(SerialWire, LineErrorsFollowTheirRateAndSeed) {
  const QByteArray sent(2000, 'U');
  const auto run = [&](double bitErrors, double drops, std::uint32_t seed) {
    WireModel wire = pacedLine(115200);
    wire.faults() = LineFaults{false, bitErrors, drops, seed};
    wire.reseed();
    wire.readerSends(sent, 115200, 0);
    return wire.toolHears(10.0);
  };
  const QByteArray flipped = run(0.05, 0, 7);
  ASSERT_EQ(flipped.size(), sent.size());
  int changed = 0;
  for (qsizetype k = 0; k < sent.size(); ++k) {
    const int bits = std::popcount(static_cast<unsigned>(std::uint8_t(flipped[k] ^ sent[k])));
    EXPECT_LE(bits, 1) << k;
    changed += bits;
  }
  EXPECT_GT(changed, 50);
  EXPECT_LT(changed, 150);
  EXPECT_EQ(run(0.05, 0, 7), flipped);
  EXPECT_NE(run(0.05, 0, 8), flipped);
  const QByteArray dropped = run(0, 0.1, 3);
  EXPECT_GT(dropped.size(), 1700);
  EXPECT_LT(dropped.size(), 1900);
  EXPECT_TRUE(run(0, 1, 3).isEmpty());
}

// A USB-serial adapter hands over what came within its latency of a packet's
// first byte at once, at the end of that time.
TEST(SerialWire, AnAdapterHandsBytesOverInPackets) {
  WireModel wire = pacedLine(9600);
  wire.setAdapterLatency(0.016);
  wire.readerSends(QByteArray(20, 'p'), 9600, 0);  // 20.8 ms on the wire
  EXPECT_TRUE(wire.toolHears(bt(9600) + 0.016 - kEps).isEmpty());
  EXPECT_EQ(wire.toolHears(bt(9600) + 0.016).size(), 16);  // in by 17.7 ms
  EXPECT_NEAR(*wire.nextDue(9600), 17 * bt(9600), 1e-9);
  EXPECT_EQ(wire.toolHears(1.0).size(), 4);
  EXPECT_NEAR(wire.lastInAtTool(), 17 * bt(9600) + 0.016, 1e-9);
}

// Unpaced, the line is as fast as the host: bytes are in when sent.
TEST(SerialWire, UnpacedBytesAreInAtOnce) {
  WireModel wire;
  wire.setPaced(false);
  wire.toolSpeed(0, 9600);
  wire.toolSends("ab", 2.0);
  EXPECT_EQ(bytesOf(readerAt(wire, 2.0, 9600)), "ab");
  wire.readerSends("c", 9600, 2.0);
  EXPECT_EQ(wire.toolHears(2.0), "c");
}

}  // namespace
}  // namespace mv4700
