#include "testmode/test_mode.h"

#include <array>

#include "link/device_session.h"
#include "seams/number_text.h"
#include "seams/status_box.h"
#include "settings/settings_fields.h"
#include "testmode/test_window.h"

namespace mv4700 {
namespace {

// Past these print positions (twips) a new line starts, or the box is cleared.
constexpr int kLineBreakX = 7352;
constexpr int kUsbClearY = 2400;
constexpr int kSerialClearY = 2500;

constexpr std::array<Field, 8> kLockedFields{Field::Text1,  Field::Combo1, Field::Combo2,
                                             Field::Text2,  Field::Combo3, Field::Text3,
                                             Field::Combo4, Field::Check1};
constexpr std::array<Field, 2> kHiddenWhenDisabled{Field::Check3, Field::Check2};

}  // namespace

TestMode::TestMode(DeviceSession& session, SettingsFields& fields, TestWindow& window)
    : session_(session), fields_(fields), window_(window) {
  SerialService& port = session_.serial.port();
  port.setReceiveHandler([this] { serialReceived(); });
  port.setLineLostHandler([this] { serialLineLost(); });
}

TestMode::~TestMode() {
  // The port outlives test mode and must not call into it afterwards.
  SerialService& port = session_.serial.port();
  port.setReceiveHandler(nullptr);
  port.setLineLostHandler(nullptr);
}

void TestMode::startTest() {
  DeviceSession& s = session_;
  s.status.clear();
  s.usb.Usbsearch();
  if (s.linkState() == link_state::kOk) {
    Starttest();
    s.linkState() = link_state::kUsb;
    s.usb.Usbclose();  // the reader now talks to the host as a keyboard
  }
  if (s.linkState() != link_state::kUsb) {
    s.serial.Comsearch();
    if (s.serial.comPort != 0) {
      Starttest();
      s.linkState() = link_state::kTest232;
    }
  }
}

void TestMode::Starttest() {
  session_.status.printLine("*** Testing 4700, please put ibutton on 4700 for read ID ***");
  session_.status.refresh();
  window_.setTestingLabelVisible(true);
  // A second start while locked must not lock again: the buzzer and CapsLock
  // boxes would then be taken for disabled-before-the-test and stay disabled.
  if (!locked_) lock();
  window_.setFileAndProgMenusEnabled(false);
}

void TestMode::lock() {
  for (Field f : kLockedFields) fields_.setEnabled(f, false);
  for (Field f : kHiddenWhenDisabled) {
    if (!fields_.enabled(f)) {
      fields_.setVisible(f, false);
    } else {
      fields_.setEnabled(f, false);
    }
  }
  locked_ = true;
}

void TestMode::unlock() {
  for (Field f : kLockedFields) fields_.setEnabled(f, true);
  for (Field f : kHiddenWhenDisabled) {
    if (!fields_.visible(f)) {
      fields_.setVisible(f, true);  // it was disabled before the test and stays so
    } else {
      fields_.setEnabled(f, true);
    }
  }
  locked_ = false;
}

void TestMode::endTest() {
  DeviceSession& s = session_;
  s.status.clear();
  s.status.printLine("* Test Mode end *");
  s.status.refresh();
  leaveTest();
}

void TestMode::leaveTest() {
  window_.setTestingLabelVisible(false);
  unlock();
  window_.setFileAndProgMenusEnabled(true);
  session_.linkState() = link_state::kEnd;
  session_.serial.closePort();
}

void TestMode::serialLineLost() {
  if (session_.linkState() != link_state::kTest232) return;
  // The IDs read so far stay on screen; the line goes under them.
  StatusBox& box = session_.status;
  if (box.printX() > 0) box.emptyLine();
  box.printLine(QStringLiteral("TQ-4700 RS232 line lost at com:") +
                signedNumberText(session_.serial.comPort) +
                QStringLiteral(", port closed. * Test Mode end *"));
  box.refresh();
  leaveTest();
}

void TestMode::keyTyped(const QString& text) {
  StatusBox& box = session_.status;
  if (session_.linkState() != link_state::kUsb || text.isEmpty()) return;
  for (const QChar c : text) {
    if (box.printX() > kLineBreakX) box.emptyLine();
    if (box.printY() > kUsbClearY) box.clear();
    box.printOpen(QString(c));
  }
}

void TestMode::serialReceived() {
  if (session_.linkState() != link_state::kTest232) return;  // the data stay unread
  StatusBox& box = session_.status;
  if (box.printX() > kLineBreakX) box.emptyLine();
  if (box.printY() > kSerialClearY) {
    box.clear();
    box.emptyLine();  // the output goes on at the second line
  }
  // Every byte taken is shown, also one that came after the port was asked
  // how many were waiting.
  const QByteArray bytes = session_.serial.port().input();
  for (const char byte : bytes) box.printOpen(QString(QChar(static_cast<unsigned char>(byte))));
}

}  // namespace mv4700
