// The program's answers to each command, on RS232 and on USB, for both kinds.
#include <gtest/gtest.h>

#include "sim/reader_model.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

using Kind = ReaderModel::Kind;

QByteArray hex(const char* text) {
  return QByteArray::fromHex(text);
}

const QByteArray kDefaults =
    hex("00 00 00 00 10 00 20202020202020 00 20202020202020 00 20202020202020 01 00");
// Start 3, count 8, TAB, 19200, PS/2 lock, prefix "ID:", no postfix, on-remove "X", buzzer.
const QByteArray kExample =
    hex("06 FF 03 02 08 03 49443A20202020 00 20202020202020 01 58202020202020 01 00");

QByteArray writeCommand(const QByteArray& settings) {
  return hex("1B1D00101F") + settings;
}

QByteArray serialAnswer(ReaderModel& reader, const QByteArray& in) {
  reader.receiveSerial(in, reader.serialBaud());
  QByteArray out;
  for (const SerialBurst& burst : reader.takeSerialOutput()) out += burst.bytes;
  return out;
}

QByteArray usbAnswer(ReaderModel& reader, const QByteArray& command) {
  for (qsizetype at = 0; at < command.size(); at += 8) {
    HidReport report{};
    const QByteArray part = command.mid(at, 8);
    std::copy(part.begin(), part.end(), report.begin() + 1);
    reader.receiveReport(report);
  }
  QByteArray out;
  while (const auto report = reader.takeReport())
    out += QByteArray(reinterpret_cast<const char*>(report->data()), 9);
  return out;
}

struct CommandCase {
  const char* name;
  Kind kind;
  QByteArray command;
  QByteArray serial;  // the whole RS232 answer
  QByteArray usb;     // the input reports, report ids included
};

void PrintTo(const CommandCase& c, std::ostream* os) {
  *os << c.name;
}

class ReaderCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ReaderCommands, AnswerOnBothLinks) {
  const CommandCase& c = GetParam();
  testing::TestClock clock;
  ReaderModel serialReader(c.kind, clock);
  serialReader.setVersionText("V2.10 TEST");
  EXPECT_EQ(serialAnswer(serialReader, c.command).toHex(' ').toStdString(),
            c.serial.toHex(' ').toStdString());
  ReaderModel usbReader(c.kind, clock);
  usbReader.setVersionText("V2.10 TEST");
  EXPECT_EQ(usbAnswer(usbReader, c.command).toHex(' ').toStdString(),
            c.usb.toHex(' ').toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Program, ReaderCommands,
    ::testing::Values(
        CommandCase{"IdentifyNew", Kind::New, hex("1B00"), hex("1B0007") + "4700I01",
                    hex("00 1B0007") + "4700I" + hex("00") + "01" + hex("000000000000")},
        // The old reader has no USB side at all.
        CommandCase{"IdentifyOld", Kind::Old, hex("1B00"), hex("1B0007") + "TQ-4700", {}},
        CommandCase{"Version", Kind::New, hex("1B01"), hex("1B010A") + "V2.10 TEST",
                    hex("00 1B010A") + "V2.10" + hex("00") + " TEST" + hex("000000")},
        CommandCase{"ReadDefaults", Kind::New, hex("1B1C00101F"), hex("1B1C00101F") + kDefaults,
                    hex("00 1B1C00101F000000 00 0010002020202020 00 2020002020202020 "
                        "00 2020002020202020 00 2020010000000000")},
        CommandCase{"Write", Kind::New, writeCommand(kExample), hex("1B1D001001AA"),
                    hex("00 1B1D001001AA0000")},
        CommandCase{"WriteOld", Kind::Old, writeCommand(kExample), hex("1B1D001001AA"), {}},
        CommandCase{"Reset", Kind::Old, hex("1B2101FF"), hex("1B2101FF"), {}},
        CommandCase{"ResetNew", Kind::New, hex("1B2101FF"), hex("1B2101FF"),
                    hex("00 1B2101FF00000000")},
        // Unknown commands and broken headers get no answer.
        CommandCase{"Unknown", Kind::New, hex("1B02"), {}, {}},
        CommandCase{"BadReadHeader", Kind::New, hex("1B1C00111F"), {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderSettingsStore, KeepsWhatWasWrittenUntilReset) {
  testing::TestClock clock;
  for (Kind kind : {Kind::Old, Kind::New}) {
    ReaderModel reader(kind, clock);
    QByteArray written = kExample;
    written[4] = 0x10;  // the count as the tool writes it (16)
    written[0] = 0x00;  // stay at 9600
    serialAnswer(reader, writeCommand(written));
    EXPECT_EQ(serialAnswer(reader, hex("1B1C00101F")), hex("1B1C00101F") + written);
    EXPECT_EQ(serialAnswer(reader, hex("1B1C00101F")), hex("1B1C00101F") + written);
    serialAnswer(reader, hex("1B2101FF"));
    EXPECT_EQ(serialAnswer(reader, hex("1B1C00101F")), hex("1B1C00101F") + kDefaults);
  }
}

TEST(ReaderByteStream, CommandsSplitJoinedOrAmidNoise) {
  testing::TestClock clock;
  ReaderModel reader(Kind::New, clock);
  reader.setVersionText("V");
  const QByteArray write = writeCommand(kDefaults);
  QByteArray out;
  for (char byte : write) out += serialAnswer(reader, QByteArray(1, byte));
  EXPECT_EQ(out, hex("1B1D001001AA"));
  // Joined, behind noise, and an ESC that starts nothing.
  EXPECT_EQ(serialAnswer(reader, hex("00 FF 1B 1B00 1B01 1B")),
            hex("1B0007") + "4700I01" + hex("1B0101") + "V");
  // The stray ESC above began nothing: a version command still goes through.
  EXPECT_EQ(serialAnswer(reader, hex("1B01")), hex("1B0101") + "V");
}

TEST(ReaderLineSpeed, AnswersOnlyAtItsOwnBaudWhichFollowsTheSettings) {
  testing::TestClock clock;
  ReaderModel reader(Kind::New, clock);
  reader.setSerialBaud(19200);
  const auto answerAt = [&](const QByteArray& in, int baud) {
    reader.receiveSerial(in, baud);
    return reader.takeSerialOutput();
  };
  for (int baud : {9600, 57600, 115200}) EXPECT_TRUE(answerAt(hex("1B00"), baud).empty()) << baud;
  ASSERT_EQ(answerAt(hex("1B00"), 19200).size(), 1u);

  // A byte at another speed is lost to a framing error; the command being
  // collected does not end there, and what the reader frames next goes on
  // with it (here: the lost byte sent again at its speed).
  reader.receiveSerial(hex("1B1C00"), 19200);
  reader.receiveSerial(hex("10"), 9600);
  EXPECT_EQ(answerAt(hex("101F"), 19200).size(), 1u);

  // The acknowledgement of a new baud code leaves at the old speed.
  QByteArray to115200 = kDefaults;
  to115200[0] = 9;
  const std::vector<SerialBurst> ack = answerAt(writeCommand(to115200), 19200);
  ASSERT_EQ(ack.size(), 1u);
  EXPECT_EQ(ack[0].baud, 19200);
  EXPECT_TRUE(answerAt(hex("1B00"), 19200).empty());
  EXPECT_EQ(answerAt(hex("1B00"), 115200).size(), 1u);
  // An unknown baud code leaves the speed alone; reset brings back 9600.
  QByteArray unknown = kDefaults;
  unknown[0] = 7;
  EXPECT_EQ(answerAt(writeCommand(unknown), 115200).size(), 1u);
  EXPECT_EQ(reader.serialBaud(), 115200);
  const std::vector<SerialBurst> echo = answerAt(hex("1B2101FF"), 115200);
  ASSERT_EQ(echo.size(), 1u);
  EXPECT_EQ(echo[0].baud, 115200);
  EXPECT_EQ(reader.serialBaud(), 9600);
}

TEST(ReaderFaults, SilenceGarbageExtraBytesAndAWrongIdentity) {
  testing::TestClock clock;
  ReaderModel reader(Kind::New, clock);
  reader.faults().extraBytes = hex("55");
  EXPECT_EQ(serialAnswer(reader, hex("1B2101FF")), hex("1B2101FF55"));
  reader.faults().extraBytes.clear();
  reader.faults().garble = true;
  EXPECT_EQ(serialAnswer(reader, hex("1B2101FF")), hex("E4DEFE00"));
  reader.faults().garble = false;
  reader.faults().wrongIdentify = true;
  EXPECT_EQ(serialAnswer(reader, hex("1B00")), hex("1B0007") + "4800I01");
  reader.faults().silent = true;
  EXPECT_TRUE(serialAnswer(reader, hex("1B00")).isEmpty());
  EXPECT_TRUE(usbAnswer(reader, hex("1B00")).isEmpty());
}

TEST(ReaderVersion, LongTextIsCutToWhatTheLengthByteCanSay) {
  testing::TestClock clock;
  ReaderModel reader(Kind::New, clock);
  reader.setVersionText(QByteArray(300, 'v'));
  const QByteArray answer = serialAnswer(reader, hex("1B01"));
  ASSERT_EQ(answer.size(), 3 + 255);
  EXPECT_EQ(static_cast<std::uint8_t>(answer[2]), 255);
}

}  // namespace
}  // namespace mv4700
