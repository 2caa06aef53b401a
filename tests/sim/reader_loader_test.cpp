// The loader: erase, reboot, and a new program over RS232 and over USB.
#include <gtest/gtest.h>

#include "firmware/erase_command.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

using Step = ReaderModel::LoaderStep;

QByteArray hex(const char* text) {
  return QByteArray::fromHex(text);
}
const QByteArray kErase(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size());

// A 4700-01 on a serial line, found at 19200 baud.
struct SerialLoader : ::testing::Test {
  testing::TestClock clock;
  ReaderModel reader{ReaderModel::Kind::New, clock};
  const QByteArray image = makeSampleImage(120, "4700-01 V3.00");

  SerialLoader() { reader.setSerialBaud(19200); }

  // What the reader answered, as "baud:hex" pieces.
  std::string send(const QByteArray& bytes, int baud) {
    reader.receiveSerial(bytes, baud);
    return heard();
  }
  std::string heard() {
    std::string out;
    for (const SerialBurst& b : reader.takeSerialOutput())
      out += std::to_string(b.baud) + ":" + b.bytes.toHex().toStdString() + " ";
    return out;
  }
  void eraseAndWait() {
    EXPECT_EQ(send(kErase, 19200), "");
    clock.advance(reader.rebootSeconds());
    EXPECT_EQ(heard(), "9600:fa ");
  }
  void upToData() {
    eraseAndWait();
    EXPECT_EQ(send(hex("1BA802"), 9600), "9600:fa ");
    EXPECT_EQ(send(hex("FA"), 57600), "57600:fa ");
  }
};

TEST_F(SerialLoader, StoresTheImageAndRunsItsVersion) {
  EXPECT_EQ(send(kErase.first(5), 19200), "");
  EXPECT_EQ(send(kErase.mid(5), 19200), "");
  EXPECT_EQ(reader.mode(), ReaderModel::Mode::Rebooting);
  EXPECT_EQ(send(hex("1B00"), 19200), "");  // nobody home while it reboots
  clock.advance(reader.rebootSeconds());
  EXPECT_EQ(heard(), "9600:fa ");
  EXPECT_EQ(send(hex("1B"), 9600), "");
  EXPECT_EQ(send(hex("A802"), 9600), "9600:fa ");
  EXPECT_EQ(send(hex("FA"), 9600), "");  // the loader listens at 57600 by now
  EXPECT_EQ(send(hex("FA"), 57600), "57600:fa ");

  // Half the frames one by one, split inside a frame; the rest in one block.
  const int half = image.size() / 2;
  std::string acks;
  for (int k = 0; k < half; ++k) {
    acks += send(image.mid(k, 1), 57600);
    acks += send(hex("55"), 57600);
  }
  QByteArray rest;
  for (int k = half; k < image.size(); ++k) rest += image.mid(k, 1) + hex("55");
  reader.receiveSerial(rest, 57600);
  for (const SerialBurst& b : reader.takeSerialOutput())
    acks += "57600:" + b.bytes.toHex().toStdString() + " ";
  std::string expected;
  for (int k = 0; k < image.size(); ++k) expected += "57600:fa ";
  EXPECT_EQ(acks, expected);

  EXPECT_EQ(send(hex("FFAA"), 57600), "57600:fa ");
  EXPECT_EQ(reader.mode(), ReaderModel::Mode::Program);
  EXPECT_EQ(reader.storedImage(), image);
  // Back at the speed of its settings, with the version of the new program.
  EXPECT_EQ(send(hex("1B01"), 19200),
            "19200:1b010d" + QByteArray("4700-01 V3.00").toHex().toStdString() + " ");
}

TEST_F(SerialLoader, RefusesMalformedOrOutOfOrderFramesAndStartsOver) {
  struct Case {
    const char* name;
    bool inData;
    QByteArray bytes;
    int baud;
  };
  eraseAndWait();
  for (const Case& c : {Case{"update with another mode", false, hex("1BA803"), 9600},
                        Case{"frame with a wrong mark", true, hex("1256"), 57600},
                        Case{"end frame with a wrong mark", true, hex("FFAB"), 57600}}) {
    SCOPED_TRACE(c.name);
    if (c.inData) {
      send(hex("1BA802"), 9600);
      send(hex("FA"), 57600);
      EXPECT_EQ(send(hex("0155"), 57600), "57600:fa ");
    }
    EXPECT_EQ(send(c.bytes, c.baud), std::to_string(c.baud) + ":15 ");
    EXPECT_EQ(send(hex("1BA802"), 9600), "9600:fa ");
    EXPECT_EQ(reader.mode(), ReaderModel::Mode::Loader);
    reader.unplug();
    reader.replug();
    EXPECT_EQ(heard(), "9600:fa ");
  }
  // Anything but the speed-change byte after the update command.
  send(hex("1BA802"), 9600);
  EXPECT_EQ(send(hex("00"), 57600), "57600:15 ");
}

TEST_F(SerialLoader, AnswersTheChosenByteAtAStepAndGivesUp) {
  reader.faults().loaderAnswer = ReaderModel::LoaderAnswer{Step::Frame, 0x07, 2};
  upToData();
  EXPECT_EQ(send(hex("015502550355"), 57600), "57600:fa 57600:fa 57600:07 ");
  EXPECT_EQ(send(hex("0455"), 57600), "");  // back at 9600, waiting for the update command
  EXPECT_EQ(send(hex("1BA802"), 9600), "9600:fa ");

  reader.faults().loaderAnswer = ReaderModel::LoaderAnswer{Step::Ready, 0x0F};
  reader.unplug();
  reader.replug();
  EXPECT_EQ(heard(), "9600:0f ");
  reader.faults().loaderAnswer = ReaderModel::LoaderAnswer{Step::Update, 0x0F};
  EXPECT_EQ(send(hex("1BA802"), 9600), "9600:0f ");
  EXPECT_EQ(send(hex("FA"), 57600), "");
}

TEST_F(SerialLoader, CutMidTransferLeavesALoaderThatCanStartAgain) {
  reader.faults().unplugAfterLoaderFrames = 3;
  upToData();
  EXPECT_EQ(send(hex("0155025503550455"), 57600), "57600:fa 57600:fa 57600:fa ");
  EXPECT_EQ(reader.mode(), ReaderModel::Mode::Unplugged);
  reader.faults().unplugAfterLoaderFrames = -1;
  reader.replug();
  EXPECT_EQ(heard(), "9600:fa ");
  // The loader identifies as the new reader, so the tool finds it at 9600 and
  // can erase again, which restarts the loader.
  EXPECT_EQ(send(hex("1B00"), 9600).substr(0, 10), "9600:1b000");
  EXPECT_EQ(send(kErase, 9600), "");
  clock.advance(reader.rebootSeconds());
  EXPECT_EQ(heard(), "9600:fa ");
}

TEST_F(SerialLoader, HangsAfterTheChosenFrame) {
  reader.faults().silentAfterLoaderFrames = 2;
  upToData();
  EXPECT_EQ(send(hex("015502550355FFAA"), 57600), "57600:fa 57600:fa ");
  EXPECT_EQ(reader.mode(), ReaderModel::Mode::Loader);
  EXPECT_TRUE(reader.storedImage().isEmpty());
}

TEST(OldReader, HasNoLoader) {
  testing::TestClock clock;
  ReaderModel reader(ReaderModel::Kind::Old, clock);
  reader.receiveSerial(kErase, 9600);
  clock.advance(10);
  EXPECT_EQ(reader.mode(), ReaderModel::Mode::Program);
  EXPECT_TRUE(reader.takeSerialOutput().empty());
}

// A 4700-01 on USB, taken through erase and reconnect to its loader.
struct UsbLoader : ::testing::Test {
  testing::TestClock clock;
  SimHidLibrary hid{clock};
  ReaderModel& reader = hid.addReader();
  HidHandle handle = 0;

  std::string exchange(std::initializer_list<std::uint8_t> payload, std::uint32_t reports = 1) {
    HidReport r{};
    std::copy(payload.begin(), payload.end(), r.begin() + 1);
    hid.SetOutputReport_Interrupt(handle, r.data(), 9);
    std::uint8_t buffer[81];
    std::uint32_t got = 0;
    hid.GetInputReport_Interrupt(handle, buffer, reports * 9, reports, got);
    return QByteArray(reinterpret_cast<const char*>(buffer), got).toHex().toStdString();
  }
  // Opens the first reader of a fresh count, as a host does.
  std::uint8_t openFirst() {
    hid.GetNumHidDevices(kReaderVendorId, kReaderProductId);
    return hid.Open(handle, 0, kReaderVendorId, kReaderProductId, 0);
  }
  void reachLoader() {
    ASSERT_EQ(openFirst(), 0);
    const auto& e = kEraseCommand;
    exchange({e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7]}, 0);
    exchange({e[8], e[9], e[10], e[11], e[12]}, 0);
    hid.Close(handle);
    clock.advance(reader.rebootSeconds());
    ASSERT_EQ(openFirst(), 0);
    ASSERT_EQ(exchange({0x1B, 0xA8}), "001ba84a502d555342");
  }
  std::string sendLength(int length) {
    return exchange({0x1B, 0xA8, 0, 0, std::uint8_t(length >> 8), std::uint8_t(length)}, 2);
  }
  std::string sendBlock(const QByteArray& image, int start) {
    const auto at = [&](int i) { return std::uint8_t(i < image.size() ? image[i] : 0); };
    return exchange({0x1B, 0xA8, at(start), at(start + 1), at(start + 2), at(start + 3),
                     at(start + 4), at(start + 5)});
  }
};

constexpr const char* kBlockAck = "001ba8fa0000000000";

TEST_F(UsbLoader, TakesTheImageWithTheZeroPaddingTheToolSends) {
  for (int length : {79, 300, 6000, 6001, 6005}) {
    SCOPED_TRACE(length);
    const QByteArray image = makeSampleImage(length, "V" + QByteArray::number(length));
    reachLoader();
    const int high = length >> 8, low = length & 0xFF;
    EXPECT_EQ(
        sendLength(length),
        QString::asprintf("001ba80000%02x%02x0000001ba8fa0000000000", high, low).toStdString());
    int blocks = 0;
    for (int start = 0; start <= length + 6; start += 6, ++blocks)
      ASSERT_EQ(sendBlock(image, start), kBlockAck) << start;
    EXPECT_EQ(blocks, length / 6 + 2);
    hid.Close(handle);
    EXPECT_EQ(reader.mode(), ReaderModel::Mode::Program);
    EXPECT_EQ(reader.storedImage(), image);
    EXPECT_EQ(reader.versionText(), "V" + QByteArray::number(length));
  }
}

TEST_F(UsbLoader, RefusesWhatCannotBelongToTheImage) {
  const QByteArray image = makeSampleImage(100, "V");
  struct Case {
    const char* name;
    std::function<std::string(UsbLoader&)> run;
  };
  const std::vector<Case> cases{
      {"length zero", [](UsbLoader& t) { return t.sendLength(0); }},
      {"length past the program memory", [](UsbLoader& t) { return t.sendLength(32768); }},
      {"data before the length",
       [&](UsbLoader& t) {
         return t.exchange({0x1B, 0xA8, 1, 2, 3, 4, 5, 6});
       }},
      {"non-zero byte past the length",
       [&](UsbLoader& t) {
         t.sendLength(100);
         for (int s = 0; s < 96; s += 6) t.sendBlock(image, s);
         return t.exchange({0x1B, 0xA8, 1, 2, 3, 4, 0, 1});
       }},
      {"a block past the padding",
       [&](UsbLoader& t) {
         t.sendLength(100);
         for (int s = 0; s <= 106; s += 6) t.sendBlock(image, s);
         return t.sendBlock(image, 112);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reachLoader();
    EXPECT_EQ(c.run(*this), "001ba8150000000000");
    // The loader starts over and takes a new update command.
    EXPECT_EQ(exchange({0x1B, 0xA8}), "001ba84a502d555342");
    hid.Close(handle);
    reader.unplug();
    reader.replug();
  }
}

TEST_F(UsbLoader, UnpluggedMidTransferItComesBackAsTheLoader) {
  reader.faults().unplugAfterLoaderFrames = 4;
  reachLoader();
  const QByteArray image = makeSampleImage(100, "V");
  sendLength(100);
  for (int s = 0; s < 24; s += 6) EXPECT_EQ(sendBlock(image, s), kBlockAck);
  EXPECT_EQ(sendBlock(image, 24), "");
  EXPECT_EQ(hid.GetNumHidDevices(kReaderVendorId, kReaderProductId), 0u);
  reader.replug();
  EXPECT_EQ(reader.mode(), ReaderModel::Mode::Loader);
  hid.Close(handle);
  ASSERT_EQ(openFirst(), 0);
  EXPECT_EQ(exchange({0x1B, 0x00}, 2).substr(0, 18), "001b00073437303049");
}

// Left without a whole program, the reader stays its loader when the host
// lets go, and a power cycle brings the loader back ready for a new update;
// with its program whole it boots that program.
TEST_F(UsbLoader, WithoutAWholeProgramAPowerCycleBringsBackTheLoader) {
  struct Case {
    const char* name;
    int blocks;
    bool forget;
    ReaderModel::Mode afterCycle;
  } cases[] = {{"stopped half way", 8, false, ReaderModel::Mode::Loader},
               {"every block acknowledged and forgotten", 18, true, ReaderModel::Mode::Loader},
               {"every block stored", 18, false, ReaderModel::Mode::Program}};
  const QByteArray image = makeSampleImage(100, "V");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reader.faults().forgetImage = c.forget;
    reachLoader();
    sendLength(100);
    for (int block = 0; block < c.blocks; ++block)
      ASSERT_EQ(sendBlock(image, block * 6), kBlockAck) << block;
    hid.Close(handle);
    EXPECT_EQ(reader.mode(), c.afterCycle);
    reader.unplug();
    reader.replug();
    EXPECT_EQ(reader.mode(), c.afterCycle);
    if (c.afterCycle == ReaderModel::Mode::Program) continue;
    EXPECT_TRUE(reader.storedImage().isEmpty());
    ASSERT_EQ(openFirst(), 0);
    EXPECT_EQ(exchange({0x1B, 0xA8}), "001ba84a502d555342");
    hid.Close(handle);
  }
}

TEST(ImageVersion, FoundThroughTheVersionAddress) {
  QByteArray image = makeSampleImage(200, "ABC");
  EXPECT_EQ(imageVersionText(image), "ABC");
  image[28] = 0x15;
  image[29] = static_cast<char>(0xC0);  // offset 0xC0: runs to the image end
  image.replace(0xC0, 8, "TAILTEXT");
  EXPECT_EQ(imageVersionText(image), "TAILTEXT");
  image[29] = static_cast<char>(0xC8);  // offset 200: past the end
  EXPECT_EQ(imageVersionText(image), "");
  image[28] = 0x14;  // below the image base
  EXPECT_EQ(imageVersionText(image), "");
}

TEST(ImageReceiverLimits, RS232ImageEndsAtTheProgramMemory) {
  ImageReceiver receiver;
  receiver.beginUnannounced();
  for (int i = 0; i < ImageReceiver::kMaxLength; ++i) ASSERT_TRUE(receiver.append(0x11));
  EXPECT_FALSE(receiver.append(0x11));
}

}  // namespace
}  // namespace mv4700
