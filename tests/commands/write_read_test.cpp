#include <QByteArray>

#include <cstring>
#include <functional>

#include "commands/commands.h"
#include "tests/commands/commands_fixture.h"
#include "tests/support/sample_fields.h"
#include "tests/support/tampered_links.h"

namespace mv4700::testing {
namespace {

const QByteArray kExampleImage =
    QByteArray::fromHex("1B1D00101F06FF0302080349443A20202020002020202020202001582020202020200100");

struct Route {
  const char* name;
  bool usb;
  ReaderModel::Kind kind;
  const char* writeOk;
  const char* readOk;
};

class WriteThenRead : public CommandsTest, public ::testing::WithParamInterface<Route> {};

TEST_P(WriteThenRead, ShowsWhatWasWritten) {
  const Route r = GetParam();
  if (r.usb) {
    hid.addReader();
  } else {
    serial.attachReader(5, r.kind, 9600);
  }
  fields = workedExampleFields();
  fields.setValue(Field::Check2, 1);
  fields.setText(Field::Text2, QString::fromLatin1("\xE9t\xE9"));

  writeSettings(session, fields);
  EXPECT_TRUE(box.lines.contains(r.writeOk)) << box.lines.join('\n').toStdString();
  expectIdle();

  PlainFields back;
  readSettings(session, back);
  EXPECT_EQ(box.lines.last(), r.readOk) << box.lines.join('\n').toStdString();
  expectIdle();
  for (Field f : kAllFields) {
    if (f == Field::Check2) continue;
    EXPECT_EQ(back.text(f), fields.text(f)) << int(f);
    EXPECT_EQ(back.tag(f), fields.tag(f)) << int(f);
    EXPECT_EQ(back.value(f), fields.value(f)) << int(f);
  }
  const bool newModel = r.kind == ReaderModel::Kind::New;
  EXPECT_EQ(back.value(Field::Check2), newModel ? 1 : 0);
  EXPECT_EQ(back.enabled(Field::Check2), newModel);
  if (r.usb) {
    EXPECT_TRUE(serial.sentBytes(1).isEmpty());  // USB found: no port touched
  }
}

INSTANTIATE_TEST_SUITE_P(Links, WriteThenRead,
                         ::testing::Values(Route{"usb", true, ReaderModel::Kind::New,
                                                 "Programming settings to TQ-4700 USB OK!",
                                                 "Read 4700-01 USB value OK!"},
                                           Route{"serialNew", false, ReaderModel::Kind::New,
                                                 "Programming settings to TQ-4700 RS232 OK!",
                                                 "Read 4700-01 RS232 value OK!"},
                                           Route{"serialOld", false, ReaderModel::Kind::Old,
                                                 "Programming settings to TQ-4700 RS232 OK!",
                                                 "Read TQ-4700 RS232 value OK!"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandsTest, UsbWriteFramesTheImageInFiveReports) {
  hid.addReader();
  fields = workedExampleFields();
  writeSettings(session, fields);

  const auto& sent = hid.sentReports(0);
  ASSERT_EQ(sent.size(), 6u);  // identify, then five blocks
  QByteArray blocks;
  for (std::size_t k = 1; k < sent.size(); ++k) {
    EXPECT_EQ(sent[k][0], 0);
    blocks.append(reinterpret_cast<const char*>(sent[k].data()) + 1, 8);
  }
  EXPECT_EQ(blocks, kExampleImage + QByteArray(4, '\0'));
  EXPECT_EQ(box.lines.mid(box.lines.size() - 2),
            QStringList(
                {"Wrote memory block: 1  2  3  4  5 ", "Programming settings to TQ-4700 USB OK!"}));
}

TEST_F(CommandsTest, SerialWriteSendsTheImageAsOneBlock) {
  serial.attachReader(2, ReaderModel::Kind::New);
  fields = workedExampleFields();
  writeSettings(session, fields);
  EXPECT_TRUE(serial.sentBytes(2).endsWith(kExampleImage));
  EXPECT_EQ(box.lines.last(), "Programming settings to TQ-4700 RS232 OK!");
}

TEST_F(CommandsTest, RefusedThirdUsbReportEndsTheBlockLineWithTheLibrarysNumber) {
  SimHidLibrary::DeviceSetup setup;
  setup.refuseOutputReport = 4;  // identify, blocks 1 and 2 pass
  hid.addReader(setup);
  serial.attachReader(1, ReaderModel::Kind::New);
  writeSettings(session, fields);
  EXPECT_TRUE(box.openLine.isEmpty());
  EXPECT_EQ(
      box.lines.mid(box.lines.size() - 2),
      QStringList({"Wrote memory block: 1  2 ", "Programming settings to TQ-4700 USB Error! 1"}));
  EXPECT_TRUE(serial.sentBytes(1).isEmpty());
  expectIdle();
}

// Hands the tool only the first four of the five reports of a settings reply.
class CutShortHid final : public ForwardingHid {
 public:
  using ForwardingHid::ForwardingHid;
  bool armed = false;
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& got) override {
    if (armed && reports == 5) return ForwardingHid::GetInputReport_Interrupt(d, b, 36, 4, got);
    return ForwardingHid::GetInputReport_Interrupt(d, b, size, reports, got);
  }
};

// One case's own session: emulated readers behind links that spoil replies.
struct SpoiledRig {
  TestClock clock;
  SimHidLibrary simHid{clock};
  CutShortHid cutShort{simHid};
  TamperedHid tamperedHid{cutShort};
  SimSerialService simSerial{clock};
  TamperedSerial tamperedSerial{simSerial};
  RecordingStatusBox box;
  DeviceSession session{tamperedHid, tamperedSerial, box, clock};
};

TEST_F(CommandsTest, WrongOrMissingAcknowledgementGivesTheErrorLine) {
  struct Case {
    const char* name;
    bool usb;
    std::function<QByteArray(const QByteArray&)> reply;  // from the good answer
    const char* line;
  };
  const auto lastByte = [](QByteArray b) {
    if (!b.isEmpty()) b[b.size() - 1] = '\xAB';
    return b;
  };
  const Case cases[] = {
      {"usb AA changed", true, [](QByteArray b) { return b.replace(6, 1, "\xAB"); },
       "Programming settings to TQ-4700 USB Error! 0"},
      {"usb two more bytes", true, [](QByteArray b) { return b.left(7) + "\x55\x66"; },
       "Programming settings to TQ-4700 USB OK!"},
      {"serial right", false, [](const QByteArray& b) { return b; },
       "Programming settings to TQ-4700 RS232 OK!"},
      {"serial last byte", false, lastByte, "Programming settings to TQ-4700 RS232 Error! 0"},
      {"serial five bytes", false, [](const QByteArray& b) { return b.left(5); },
       "Programming settings to TQ-4700 RS232 Error! 0"},
      {"serial seven bytes", false, [](const QByteArray& b) { return b + "X"; },
       "Programming settings to TQ-4700 RS232 Error! 0"},
      {"serial nothing", false, [](const QByteArray&) { return QByteArray(); },
       "Programming settings to TQ-4700 RS232 Error! 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SpoiledRig r;
    if (c.usb) {
      r.simHid.addReader();
      r.tamperedHid.armAfterSends = 1;  // after the identify report
      r.tamperedHid.tamper = [&c](std::uint8_t* b, std::uint32_t&) {
        const QByteArray changed = c.reply(QByteArray(reinterpret_cast<char*>(b), 9));
        std::memcpy(b, changed.constData(), 9);
      };
    } else {
      r.simSerial.attachReader(1, ReaderModel::Kind::New);
      r.tamperedSerial.armAfterOutputs = 1;  // after the identify command
      r.tamperedSerial.tamper = c.reply;
    }
    writeSettings(r.session, fields);
    EXPECT_EQ(r.box.lines.last(), c.line) << r.box.lines.join('\n').toStdString();
    EXPECT_TRUE(r.session.linkState().isEmpty());
    EXPECT_FALSE(r.simSerial.portOpen());
  }
}

TEST_F(CommandsTest, UnencodableTextIsRefusedBeforeTheReaderIsContacted) {
  hid.addReader();
  fields.setText(Field::Text1, QString(QChar(0x20AC)));  // the euro sign is not Latin-1
  writeSettings(session, fields);
  EXPECT_TRUE(hid.sentReports(0).empty());
  ASSERT_EQ(box.lines.size(), 1);
  EXPECT_TRUE(box.lines[0].startsWith("Settings not written!")) << box.lines[0].toStdString();
  expectIdle();
}

// A reader holding non-default settings answers the read wrongly; the read
// reaches the reply (the identify passed), and no field changes.
TEST(FailedRead, ABadReplyLeavesEveryFieldAlone) {
  struct Case {
    const char* name;
    bool usb;
    std::function<QByteArray(QByteArray)> reply;  // from the good one; usb: its five reports
    const char* line;
  };
  const Case cases[] = {
      {"usb wrong command byte", true, [](QByteArray b) { return b.replace(2, 1, "\x1D"); },
       "Read 4700-01 USB value Error!"},
      {"usb four reports of five", true, nullptr, "Read 4700-01 USB value Error!"},
      {"serial wrong command byte", false, [](QByteArray b) { return b.replace(1, 1, "\x1D"); },
       "Read RS232 value Error! 0"},
      {"serial 35 bytes", false, [](const QByteArray& b) { return b.left(35); },
       "Read RS232 value Error! 0"},
      {"serial 37 bytes", false, [](const QByteArray& b) { return b + "X"; },
       "Read RS232 value Error! 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SpoiledRig r;
    if (c.usb) {
      r.simHid.addReader();
    } else {
      r.simSerial.attachReader(1, ReaderModel::Kind::New);
    }
    writeSettings(r.session, nonDefaultFields());
    // A good read first, so an earlier reply is there to be taken by mistake.
    PlainFields scratch;
    readSettings(r.session, scratch);
    ASSERT_EQ(scratch.text(Field::Text1), "ID:");

    if (c.usb && c.reply) {
      r.tamperedHid.armAfterSends = static_cast<int>(r.simHid.sentReports(0).size()) + 1;
      r.tamperedHid.tamper = [&c](std::uint8_t* b, std::uint32_t& got) {
        const QByteArray changed = c.reply(QByteArray(reinterpret_cast<char*>(b), got));
        std::memcpy(b, changed.constData(), static_cast<std::size_t>(changed.size()));
      };
    }
    r.cutShort.armed = c.usb && !c.reply;
    if (!c.usb) {
      r.tamperedSerial.armAfterOutputs = 0;
      r.tamperedSerial.tamper = [&c](const QByteArray& arrived) {
        // Only the read's reply; the identify goes through as it came.
        return arrived.size() >= 36 ? c.reply(arrived) : arrived;
      };
    }
    PlainFields fields;
    const PlainFields before;
    readSettings(r.session, fields);
    EXPECT_EQ(r.box.lines.last(), c.line) << r.box.lines.join('\n').toStdString();
    for (Field f : kAllFields) EXPECT_EQ(fields.state(f), before.state(f)) << int(f);
    EXPECT_TRUE(r.session.linkState().isEmpty());
    EXPECT_FALSE(r.simSerial.portOpen());
  }
}

}  // namespace
}  // namespace mv4700::testing
