#include <QByteArray>
#include <cstring>
#include <set>

#include "commands/commands.h"
#include "commands/confirmed_version.h"
#include "tests/commands/commands_fixture.h"
#include "tests/support/tampered_links.h"

namespace mv4700::testing {
namespace {

TEST_F(CommandsTest, ResetCancelledSendsNothing) {
  hid.addReader();
  serial.attachReader(1, ReaderModel::Kind::New);
  session.linkState() = "X";
  dialogs.answers = {Dialogs::Answer::Cancel};
  resetReader(session, dialogs);
  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(dialogs.shown[0].title, "Reset 4700B");
  EXPECT_EQ(dialogs.shown[0].text, "Confirm ? ");
  EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Exclamation);
  EXPECT_EQ(dialogs.shown[0].buttons, Dialogs::Buttons::OkCancel);
  EXPECT_TRUE(hid.sentReports(0).empty());
  EXPECT_TRUE(serial.sentBytes(1).isEmpty());
  EXPECT_EQ(session.linkState(), "X");
  EXPECT_EQ(box.clears, 0);
}

TEST_F(CommandsTest, ResetRestoresTheReadersDefaultsOnEitherLink) {
  for (bool usb : {true, false}) {
    SCOPED_TRACE(usb ? "usb" : "serial");
    TestClock c;
    SimHidLibrary h(c);
    SimSerialService p(c);
    RecordingStatusBox b;
    DeviceSession s(h, p, b, c);
    ReaderModel& reader = usb ? h.addReader() : p.attachReader(4, ReaderModel::Kind::Old);
    reader.settings().set(ReaderSettings::kStart, 9);
    resetReader(s, dialogs);
    EXPECT_EQ(b.lines.last(),
              usb ? "TQ-4700 USB Reset to default OK!" : "TQ-4700 RS232 Reset to default!");
    EXPECT_EQ(reader.settings().bytes(), ReaderSettings().bytes());
    EXPECT_TRUE(s.linkState().isEmpty());
    EXPECT_FALSE(p.portOpen());
  }
}

TEST_F(CommandsTest, UsbResetWithoutAnyReplyIsReportedAsAnError) {
  hid.addReader();
  TamperedHid silent(hid);
  silent.tamper = [](std::uint8_t* b, std::uint32_t& got) {
    std::memset(b, 0, 9);
    got = 0;
  };
  DeviceSession s(silent, serial, box, clock);
  resetReader(s, dialogs);
  EXPECT_EQ(box.lines.last(), "TQ-4700 USB Reset Error!");
  EXPECT_TRUE(serial.sentBytes(1).isEmpty());
}

TEST_F(CommandsTest, VersionTextIsShownInItsOwnColourBetweenEmptyLines) {
  struct Case {
    const char* name;
    bool usb;
    QByteArray version;
    QString shown;
  };
  const QByteArray long69(69, 'v');
  const Case cases[] = {
      {"usb fills nine reports", true, long69, QString(long69)},
      {"usb longer than nine reports", true, QByteArray(100, 'w'), QString(69, 'w')},
      {"usb drops control bytes", true, "V2\x01.0\x7F", QString("V2.0\x7F")},
      {"serial keeps control bytes", false, "V2\x01.0 abcdef", QString("V2\x01.0 abcdef")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestClock clk;
    SimHidLibrary h(clk);
    SimSerialService p(clk);
    RecordingStatusBox b;
    DeviceSession s(h, p, b, clk);
    ReaderModel& reader = c.usb ? h.addReader() : p.attachReader(7, ReaderModel::Kind::New);
    reader.setVersionText(c.version);
    s.replyText = "left over from a settings read";
    readVersion(s);
    ASSERT_GE(b.coloredLines.size(), 3);
    const auto n = b.coloredLines.size();
    EXPECT_EQ(b.coloredLines[n - 3], qMakePair(QString(), kVersionTextColor));
    EXPECT_EQ(b.coloredLines[n - 2], qMakePair(c.shown, kVersionTextColor));
    EXPECT_EQ(b.coloredLines[n - 1], qMakePair(QString(), kVersionTextColor));
    EXPECT_EQ(b.color, kStatusTextColor);
    EXPECT_TRUE(s.linkState().isEmpty());
    EXPECT_FALSE(p.portOpen());
  }
}

TEST_F(CommandsTest, ShortOrBadSerialVersionRepliesGiveTheErrorLine) {
  struct Case {
    const char* name;
    std::function<QByteArray(const QByteArray&)> reply;
    QString line;
    QString version;  // what the block shows; empty: no block
  };
  const Case cases[] = {
      {"length promises more", [](const QByteArray& b) { return b.left(b.size() - 2); },
       "Read firmware version from TQ-4700 RS232 Error! 9", "VER-1.2345"},
      {"nine bytes", [](const QByteArray& b) { return b.left(9); },
       "Read firmware version from TQ-4700 RS232 Error! 0", ""},
      {"wrong header", [](QByteArray b) { return b.replace(1, 1, "\x02"); },
       "Read firmware version from TQ-4700 RS232 Error! 0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestClock clk;
    SimHidLibrary h(clk);
    SimSerialService sim(clk);
    TamperedSerial p(sim);
    p.tamper = c.reply;
    RecordingStatusBox b;
    DeviceSession s(h, p, b, clk);
    sim.attachReader(3, ReaderModel::Kind::New).setVersionText("VER-1.2345AB");
    readVersion(s);
    if (c.version.isEmpty()) {
      EXPECT_EQ(b.lines.last(), c.line);
    } else {
      EXPECT_TRUE(b.lines.contains(c.line));
      EXPECT_EQ(b.lines[b.lines.size() - 2], c.version);
    }
    EXPECT_FALSE(sim.portOpen());
  }
}

// Flips one bit of the version text's first byte in the replies to the
// listed version commands (counted from 1), as a noisy line would.
class FlippingSerial final : public ForwardingSerial {
 public:
  FlippingSerial(SerialService& inner, std::set<int> spoiled)
      : ForwardingSerial(inner), spoiled_(std::move(spoiled)) {}

  void output(const QByteArray& bytes) override {
    if (bytes == QByteArray("\x1B\x01", 2)) {
      ++versionCommands_;
      sinceCommand_ = 0;
    }
    ForwardingSerial::output(bytes);
  }
  QByteArray input() override {
    QByteArray in = ForwardingSerial::input();
    const int textStart = 3 - sinceCommand_;
    if (spoiled_.count(versionCommands_) && textStart >= 0 && textStart < in.size())
      in[textStart] = static_cast<char>(in[textStart] ^ (1 << versionCommands_));
    sinceCommand_ += static_cast<int>(in.size());
    return in;
  }

 private:
  std::set<int> spoiled_;
  int versionCommands_ = 0;
  int sinceCommand_ = 0;
};

TEST_F(CommandsTest, AVersionCountsOnceTwoReadsGiveIt) {
  struct Case {
    const char* name;
    std::set<int> spoiled;
    Outcome outcome;
    QString text;
  };
  const Case cases[] = {
      {"clean line", {}, Outcome::Done, "VER-1.2345"},
      {"first read spoiled", {1}, Outcome::Done, "VER-1.2345"},
      {"second read spoiled", {2}, Outcome::Done, "VER-1.2345"},
      {"every read spoiled", {1, 2, 3}, Outcome::Failed, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestClock clk;
    SimHidLibrary h(clk);
    SimSerialService sim(clk);
    FlippingSerial p(sim, c.spoiled);
    RecordingStatusBox b;
    DeviceSession s(h, p, b, clk);
    sim.attachReader(3, ReaderModel::Kind::New).setVersionText("VER-1.2345");
    EXPECT_EQ(readConfirmedVersion(s), c.outcome);
    EXPECT_EQ(s.replyText, c.text);
    if (c.spoiled.count(1) && c.outcome == Outcome::Done) {
      EXPECT_EQ(b.lines.last(), "Read firmware version again: VER-1.2345");
    }
    if (c.outcome == Outcome::Failed) {
      EXPECT_EQ(b.lines.last(),
                "Read firmware version Error! No two of 3 reads gave the same version");
    }
    EXPECT_FALSE(sim.portOpen());
    EXPECT_TRUE(s.linkState().isEmpty());
  }
}

}  // namespace
}  // namespace mv4700::testing
