#include "commands/commands.h"
#include "firmware/erase_command.h"
#include "tests/firmware/flash_fixture.h"

namespace mv4700 {
namespace {

using testing::FlashRig;
using testing::ImageShape;
using Step = ReaderModel::LoaderStep;

const QByteArray kErase(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size());
const QStringList kSearchLines{"Searching TQ-4700 on USB ports...",
                               "No TQ-4700 connected on USB port! ",
                               "Searching COM 1~16 for 4700... "};

// No reader on USB; a 4700-01 on COM3 at 19200 baud.
struct SerialRig : FlashRig {
  SerialRig() : reader(serial.attachReader(3, ReaderModel::Kind::New, 19200)) {}
  // What went to the reader after its identify commands.
  QByteArray sentAfterSearch() const {
    const QByteArray sent = serial.sentBytes(3);
    const qsizetype erase = sent.indexOf(kErase);
    return erase < 0 ? QByteArray() : sent.mid(erase);
  }
  void expectClosed() const {
    EXPECT_FALSE(serial.portOpen());
    EXPECT_EQ(session.shared.linkState, "");
  }
  ReaderModel& reader;
};

TEST(SerialFlashTest, FlashesOneAcknowledgedFramePerByte) {
  int repaintsBesideDots = -1;
  for (int length : {100, 49}) {
    SCOPED_TRACE(length);
    SerialRig rig;
    const QByteArray file = rig.flash({.length = length,
                                       .markerAddress = 0x1500 + 38,
                                       .versionAddress = 0x1500 + 2,
                                       .version = QByteArray("RS 4.2.0", 9)});

    QByteArray frames;
    for (char b : file) frames.append(b).append('\x55');
    EXPECT_EQ(rig.sentAfterSearch(),
              kErase + QByteArray("\x1B\xA8\x02\xFA", 4) + frames + QByteArray("\xFF\xAA"));
    EXPECT_EQ(rig.status.lines,
              kSearchLines +
                  (QStringList{
                      "Found NEW 4700-01 RS232 at com:  3 Baud: 19200",
                      "Erase 4700-01 program memory ...", "Waiting for 4700-01 reboot ... Ready!",
                      "Firmware update command to 4700-01 ... Confirm!", "RS232 protocol OK!",
                      "Firmware updating via RS232 Please Wait ...",
                      QString("Total %1 Bytes. Writing:").arg(length) + QString(length / 50, u'.'),
                      "4700-01 firmware update Finished!"}));
    EXPECT_EQ(rig.reader.storedImage(), file);
    EXPECT_EQ(rig.serial.settings(), "57600,n,8,1");
    // Repaints are per dot, never per byte.
    const int repaints = rig.status.refreshes + rig.status.refreshAlls - length / 50;
    if (repaintsBesideDots < 0) repaintsBesideDots = repaints;
    EXPECT_EQ(repaints, repaintsBesideDots);
    rig.expectClosed();
    readVersion(rig.session);
    EXPECT_EQ(rig.session.replyText, "RS 4.2.0");
  }
}

TEST(SerialFlashTest, EveryAnswerGoesThroughTheAckCheck) {
  const QString compare = "Data compare error after write, please try again ...";
  const QString timeout = "Receive device ACK timeout, Flash abort!";
  struct Case {
    const char* name;
    std::function<void(SerialRig&)> arrange;
    QString lastLine;
  } cases[] = {
      {"07 at the loader wait",
       [](SerialRig& r) {
         r.reader.faults().loaderAnswer = {Step::Ready, 0x07};
       },
       "Waiting for 4700-01 reboot ..." + compare},
      {"0F at the update command",
       [](SerialRig& r) {
         r.reader.faults().loaderAnswer = {Step::Update, 0x0F};
       },
       "Firmware update command to 4700-01 ...[F] ACK receive error, Flash abort! "},
      {"00 at the speed change",
       [](SerialRig& r) {
         r.reader.faults().loaderAnswer = {Step::SpeedChange, 0x00};
       },
       "[0] ACK receive error, Flash abort! "},
      {"07 at byte 61",
       [](SerialRig& r) {
         r.reader.faults().loaderAnswer = {Step::Frame, 0x07, 60};
       },
       "Total 100 Bytes. Writing:." + compare},
      {"AB at the end frame",
       [](SerialRig& r) {
         r.reader.faults().loaderAnswer = {Step::End, 0xAB};
       },
       "Total 100 Bytes. Writing:..[AB] ACK receive error, Flash abort! "},
      {"silent loader",
       [](SerialRig& r) {
         r.serialTap.afterOutput = [&r](const QByteArray& sent) {
           if (sent == kErase) r.reader.faults().silent = true;
         };
       },
       "Waiting for 4700-01 reboot ..." + timeout},
      {"two bytes at once",
       [](SerialRig& r) {
         // One packet from a USB adapter: the tool never sees one byte alone.
         r.serial.setAdapterLatency(0.016);
         r.serialTap.afterOutput = [&r](const QByteArray& sent) {
           if (sent == kErase) r.reader.faults().extraBytes = "\xFA";
         };
       },
       "Waiting for 4700-01 reboot ..." + timeout},
      {"gone after 30 bytes", [](SerialRig& r) { r.reader.faults().unplugAfterLoaderFrames = 30; },
       "Total 100 Bytes. Writing:" + timeout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SerialRig rig;
    c.arrange(rig);
    rig.flash({.length = 100,
               .markerAddress = 0x1500 + 38,
               .versionAddress = 0x1500 + 2,
               .version = QByteArray("RS 4.2.0", 9)});
    EXPECT_EQ(rig.lastLine(), c.lastLine);
    EXPECT_TRUE(rig.reader.storedImage().isEmpty());
    rig.expectClosed();
  }
}

// Each wait of the transfer, with the loader's answer set on the test clock to
// come in just inside or just outside it. Times on the wire: the erase leaves
// at 19200 baud, the loader greets and the update command goes at 9600, the
// rest at 57600, ten bits a byte.
TEST(SerialFlashTest, EachWaitTakesAnAnswerJustInsideItAndNotJustOutside) {
  constexpr double kMargin = 0.005;
  const auto bytes = [](int n, int baud) { return n * 10.0 / baud; };
  const QString timeout = "Receive device ACK timeout, Flash abort!";
  constexpr int kLength = 100;
  struct Case {
    const char* name;
    int output;        // the slowed answer's command, counted from the erase (0)
    double wait;       // seconds the tool waits for it
    double wire;       // seconds the command and its answer spend on the wire
    QString timedOut;  // the last line when the answer comes too late
  } cases[] = {
      {"update command", 1, 1.0, bytes(3, 9600) + bytes(1, 9600),
       "Firmware update command to 4700-01 ..." + timeout},
      {"speed change", 2, 1.0, bytes(1, 57600) + bytes(1, 57600), timeout},
      {"first byte frame", 3, 2.0, bytes(2, 57600) + bytes(1, 57600),
       "Total 100 Bytes. Writing:" + timeout},
      {"end frame", 3 + kLength, 2.0, bytes(2, 57600) + bytes(1, 57600),
       "Total 100 Bytes. Writing:.." + timeout},
  };
  const ImageShape shape{.length = kLength,
                         .markerAddress = 0x1500 + 38,
                         .versionAddress = 0x1500 + 2,
                         .version = QByteArray("RS 4.2.0", 9)};
  for (const Case& c : cases) {
    for (const double late : {-kMargin, kMargin}) {
      SCOPED_TRACE(std::string(c.name) + (late < 0 ? " inside" : " outside"));
      SerialRig rig;
      int sent = -1;  // none since the erase yet
      rig.serialTap.afterOutput = [&](const QByteArray& bytes) {
        if (bytes == kErase)
          sent = 0;
        else if (sent >= 0)
          ++sent;
        rig.serial.setReplyDelay(sent == c.output ? c.wait + late - c.wire : 0);
      };
      rig.flash(shape);
      EXPECT_EQ(rig.lastLine(), late < 0 ? "4700-01 firmware update Finished!" : c.timedOut);
      rig.expectClosed();
    }
  }

  // The loader's greeting: it comes up a boot time after the erase is in and
  // sends one byte; the tool listens from the end of its one-second pause.
  const double eraseIn = bytes(int(kErase.size()), 19200);
  const double greeting = bytes(1, 9600);
  for (const double late : {-kMargin, kMargin}) {
    SCOPED_TRACE(late < 0 ? "loader ready inside" : "loader ready outside");
    SerialRig rig;
    rig.reader.setRebootSeconds(1.0 + 6.0 + late - eraseIn - greeting);
    rig.flash(shape);
    EXPECT_EQ(rig.lastLine(), late < 0 ? "4700-01 firmware update Finished!"
                                       : "Waiting for 4700-01 reboot ..." + timeout);
  }
  // A loader up during the pause greets at 9600 while the port still runs
  // at the search's speed: the byte is lost on the wire, as on hardware.
  SerialRig rig;
  rig.reader.setRebootSeconds(0.5);
  rig.flash(shape);
  EXPECT_EQ(rig.lastLine(), "Waiting for 4700-01 reboot ..." + timeout);
}

TEST(SerialFlashTest, OnlyTheNewModelIsFlashed) {
  const QString refused = "TQ-4700 RS232 not support firmware update (only new 4700-01)!";
  {
    FlashRig rig;
    rig.serial.attachReader(2, ReaderModel::Kind::Old, 9600);
    rig.flash({});
    EXPECT_EQ(rig.status.lines.mid(3),
              (QStringList{"Found 4700 RS232 at com:  2 Baud: 9600", refused}));
    EXPECT_EQ(rig.serial.sentBytes(2), QByteArray("\x1B\x00", 2));
    EXPECT_FALSE(rig.serial.portOpen());
  }
  {
    FlashRig rig;
    rig.flash({});
    EXPECT_EQ(rig.status.lines.mid(3),
              (QStringList{"Can not find 4700 at com 1~16 with all baud rate!", refused}));
    EXPECT_EQ(rig.session.shared.linkState, "");
  }
}

}  // namespace
}  // namespace mv4700
