#include "link/usb_link.h"

#include <gtest/gtest.h>

#include "sim/sim_hid.h"
#include "tests/support/forwarding_links.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

const QString kSearching = "Searching TQ-4700 on USB ports...";
const QString kNoDevice = "No TQ-4700 connected on USB port! ";
const QString kChecking = "Checking TQ-4700 USB...";
const QString kConnected = "TQ-4700 connected on USB port !";
const QString kNotConnects = "TQ-4700 not connects to USB port !";

// Passes every call on to the library and notes which ones were made.
class CallLog final : public testing::ForwardingHid {
 public:
  using ForwardingHid::ForwardingHid;
  QStringList calls;
  int count(const QString& name) const { return static_cast<int>(calls.count(name)); }

  std::uint32_t GetNumHidDevices(std::uint16_t v, std::uint16_t p) override {
    calls << "count";
    return ForwardingHid::GetNumHidDevices(v, p);
  }
  std::uint8_t Open(HidHandle& d, std::uint32_t i, std::uint16_t v, std::uint16_t p,
                    std::uint32_t n) override {
    calls << "open";
    return ForwardingHid::Open(d, i, v, p, n);
  }
  std::uint8_t SetOutputReport_Interrupt(HidHandle d, const std::uint8_t* b,
                                         std::uint32_t n) override {
    calls << "send";
    return ForwardingHid::SetOutputReport_Interrupt(d, b, n);
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t n, std::uint32_t& got) override {
    calls << "read";
    return ForwardingHid::GetInputReport_Interrupt(d, b, size, n, got);
  }
  std::uint8_t Close(HidHandle d) override {
    if (d != 0) calls << "close";
    return ForwardingHid::Close(d);
  }
};

// One device whose identify answer and read status the test chooses, for the
// byte-level corners the emulator's readers never produce.
class ScriptedReply final : public HidLibrary {
 public:
  std::array<std::uint8_t, 9> reply{0x00, 0x1B, 0x00, 0x07, '4', '7', '0', '0', 'I'};
  std::uint8_t readStatus = 0;

  std::uint32_t GetNumHidDevices(std::uint16_t, std::uint16_t) override { return 1; }
  std::uint8_t Open(HidHandle& d, std::uint32_t, std::uint16_t, std::uint16_t,
                    std::uint32_t) override {
    d = 1;
    return 0;
  }
  HidHandle GetHandle(HidHandle d) override { return d; }
  std::uint16_t GetInputReportBufferLength(HidHandle) override { return 9; }
  std::uint16_t GetOutputReportBufferLength(HidHandle) override { return 9; }
  std::uint8_t SetOutputReport_Interrupt(HidHandle, const std::uint8_t*, std::uint32_t) override {
    return 0;
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle, std::uint8_t* b, std::uint32_t, std::uint32_t,
                                        std::uint32_t& got) override {
    std::copy(reply.begin(), reply.end(), b);
    got = 18;
    return readStatus;
  }
  std::uint8_t Close(HidHandle) override { return 0; }
};

class UsbSearch : public ::testing::Test {
 protected:
  testing::TestClock clock;
  SimHidLibrary sim{clock};
  CallLog hid{sim};
  testing::RecordingStatusBox status;
  LinkShared shared;
  UsbLink usb{hid, status, shared};
};

TEST_F(UsbSearch, ReaderFoundStaysOpenAsTheNewModel) {
  sim.addReader();
  shared.linkState = "";
  usb.Usbsearch();

  EXPECT_EQ(status.lines, QStringList({kSearching, kChecking, kConnected}));
  EXPECT_EQ(shared.linkState, link_state::kOk);
  EXPECT_TRUE(shared.newModel);
  EXPECT_NE(usb.hidDevice, 0u);
  EXPECT_EQ(hid.count("close"), 0);
  ASSERT_EQ(sim.sentReports(0).size(), 1u);
  EXPECT_EQ(sim.sentReports(0)[0], (HidReport{0x00, 0x1B, 0x00, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(status.clears, 1);
  EXPECT_GE(status.refreshAlls, 1);

  // The next search starts by closing what the last one left open.
  usb.Usbsearch();
  EXPECT_EQ(hid.calls.mid(hid.calls.indexOf("read") + 1, 2), QStringList({"close", "count"}));
}

TEST_F(UsbSearch, FailuresAreReportedAndLeaveTheDeviceClosed) {
  using Setup = SimHidLibrary::DeviceSetup;
  struct Case {
    const char* name;
    std::vector<Setup> devices;
    bool wrongIdentify;
    QStringList lines;
    int opens;
    int sends;
  };
  Setup fails;
  fails.openFails = true;
  Setup shortIn;
  shortIn.inputReportLength = 8;
  Setup longOut;
  longOut.outputReportLength = 64;
  const Case cases[] = {
      {"no device: no open is tried", {}, false, {kSearching, kNoDevice}, 0, 0},
      {"none of two opens", {fails, fails}, false, {kSearching, kNoDevice}, 2, 0},
      {"8-byte input reports",
       {shortIn},
       false,
       {kSearching, kChecking, "USB Input buffer error"},
       1,
       0},
      {"64-byte output reports",
       {longOut},
       false,
       {kSearching, kChecking, "USB outout buffer error"},
       1,
       0},
      {"identifies as another reader",
       {Setup()},
       true,
       {kSearching, kChecking, kNotConnects + "0"},
       1,
       1},
  };
  for (const Case& c : cases) {
    testing::TestClock clock;
    SimHidLibrary sim(clock);
    CallLog hid(sim);
    testing::RecordingStatusBox status;
    LinkShared shared;
    shared.newModel = true;
    UsbLink usb(hid, status, shared);
    for (const Setup& s : c.devices) sim.addReader(s).faults().wrongIdentify = c.wrongIdentify;

    usb.Usbsearch();

    EXPECT_EQ(status.lines, c.lines) << c.name;
    EXPECT_EQ(shared.linkState, link_state::kErr) << c.name;
    EXPECT_EQ(hid.count("open"), c.opens) << c.name;
    EXPECT_EQ(hid.count("send"), c.sends) << c.name;
    EXPECT_EQ(usb.hidDevice, 0u) << c.name;
    EXPECT_EQ(hid.count("close"), c.opens > 0 && c.lines.size() > 2 ? 1 : 0) << c.name;
    if (c.wrongIdentify) {
      EXPECT_FALSE(shared.newModel) << c.name;
    }
  }
}

TEST_F(UsbSearch, TheFirstOpenableDeviceIsUsed) {
  SimHidLibrary::DeviceSetup fails;
  fails.openFails = true;
  sim.addReader(fails);
  sim.addReader();
  usb.Usbsearch();
  EXPECT_EQ(status.lines, QStringList({kSearching, kChecking, kConnected}));
  EXPECT_EQ(shared.linkState, link_state::kOk);
  EXPECT_TRUE(sim.sentReports(0).empty());
  EXPECT_EQ(sim.sentReports(1).size(), 1u);
}

TEST_F(UsbSearch, AReaderThatStopsAnsweringIsNotTakenForTheLastReply) {
  ReaderModel& reader = sim.addReader();
  usb.Usbsearch();
  ASSERT_EQ(shared.linkState, link_state::kOk);

  reader.faults().silent = true;
  usb.Usbsearch();
  EXPECT_EQ(shared.linkState, link_state::kErr);
  EXPECT_EQ(status.lines.last(), kNotConnects + "2");  // the library's short read
}

TEST(UsbSearchCutCommand, TheCommandLineCompletesACutCommandAndAsksAgain) {
  // The reader got the first report of a settings write and then nothing: it
  // still collects that command, so the identify's bytes go into it.
  for (const bool completing : {false, true}) {
    SCOPED_TRACE(completing ? "completing" : "plain");
    testing::TestClock clock;
    SimHidLibrary sim{clock};
    testing::RecordingStatusBox status;
    LinkShared shared;
    UsbLink usb{sim, status, shared};
    usb.completeCutCommandOnMiss = completing;
    sim.addReader().receiveReport({0x00, 0x1B, 0x1D, 0x00, 0x10, 0x1F, 0x01, 0x02, 0x03});

    usb.Usbsearch();
    EXPECT_EQ(status.lines.last(), completing ? kConnected : kNotConnects + "2");
    const HidReport identify{0x00, 0x1B, 0x00, 0, 0, 0, 0, 0, 0};
    std::vector<HidReport> sent{identify};
    if (completing) {
      sent.insert(sent.end(), 5, HidReport{});
      sent.push_back(identify);
    }
    EXPECT_EQ(sim.sentReports(0), sent);
    if (!completing) continue;
    // Once the command is complete, the reader is asked once, as before.
    usb.Usbsearch();
    EXPECT_EQ(status.lines.last(), kConnected);
    EXPECT_EQ(sim.sentReports(0).size(), sent.size() + 1);
  }
}

TEST(UsbSearchReply, StatusInHexAndTheSilentSearchLetsOnlyTheReportIdPass) {
  struct Case {
    const char* name;
    QString state;
    int badByte;  // -1: none
    std::uint8_t readStatus;
    QStringList lines;
    QString after;
  };
  const QString loop = link_state::kLoop;
  const Case cases[] = {
      {"reply length byte differs", "", 3, 0, {kSearching, kChecking, kNotConnects + "0"}, "ERR"},
      {"status in upper-case hex",
       "",
       8,
       0xAB,
       {kSearching, kChecking, kNotConnects + "AB"},
       "ERR"},
      {"report id differs", "", 0, 0, {kSearching, kChecking, kNotConnects + "0"}, "ERR"},
      {"silent: passed", loop, -1, 0, {kConnected}, "OK"},
      {"silent: report id let pass", loop, 0, 0, {kConnected}, "OK"},
      {"silent: other bytes still count", loop, 1, 0x1F, {kNotConnects + "1F"}, "ERR"},
  };
  for (const Case& c : cases) {
    ScriptedReply hid;
    if (c.badByte >= 0) hid.reply[c.badByte] ^= 0x40;
    hid.readStatus = c.readStatus;
    testing::RecordingStatusBox status;
    LinkShared shared;
    shared.linkState = c.state;
    UsbLink usb(hid, status, shared);

    usb.Usbsearch();

    EXPECT_EQ(status.lines, c.lines) << c.name;
    EXPECT_EQ(shared.linkState, c.after) << c.name;
    EXPECT_EQ(shared.newModel, c.after == "OK") << c.name;
    EXPECT_EQ(status.clears, c.state == loop ? 0 : 1) << c.name;
  }
}

TEST_F(UsbSearch, SilentSearchWithoutADevicePrintsNothing) {
  shared.linkState = link_state::kLoop;
  usb.Usbsearch();
  EXPECT_TRUE(status.transcript.isEmpty());
  EXPECT_EQ(shared.linkState, link_state::kErr);
}

TEST_F(UsbSearch, ExchangeHelpers) {
  sim.addReader();
  usb.Usbsearch();
  ASSERT_EQ(shared.linkState, link_state::kOk);

  usb.sendCommand({0x1B, 0x00});
  EXPECT_EQ(usb.outReport, (std::array<std::uint8_t, 9>{0, 0x1B, 0, 0, 0, 0, 0, 0, 0}));
  usb.inBuffer.fill(0xEE);
  usb.readReports(2);
  EXPECT_EQ(usb.hidStatus, 0);
  EXPECT_EQ(usb.bytesReturned, 18u);
  usb.Copyinreport();
  EXPECT_EQ(usb.inReport, (std::array<std::uint8_t, 9>{0, 0x1B, 0, 7, '4', '7', '0', '0', 'I'}));
  // Past the reports that came the buffer reads 0, never what was there before.
  EXPECT_EQ(usb.inBuffer[18], 0);
  EXPECT_EQ(usb.inBuffer[80], 0);

  // Nothing more than nine command bytes fit, and nothing more than nine reports.
  usb.sendCommand({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(usb.outReport, (std::array<std::uint8_t, 9>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  usb.readReports(12);
  EXPECT_LE(usb.bytesReturned, 81u);

  usb.Clearinbuf();
  EXPECT_EQ(usb.inBuffer, (std::array<std::uint8_t, 81>{}));
  usb.Usbclose();
  EXPECT_EQ(usb.hidDevice, 0u);
  EXPECT_EQ(usb.hidStatus, 0);
}

}  // namespace
}  // namespace mv4700
