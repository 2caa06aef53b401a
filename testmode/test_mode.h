#pragma once

#include <QString>

namespace mv4700 {

struct DeviceSession;
class SettingsFields;
class TestWindow;

// Test mode: the window is locked while the reader's output is shown. On USB
// the reader types into the status box; on a serial port the bytes it sends
// are printed as they arrive.
class TestMode {
 public:
  // Takes the serial port's receive and line-lost notifications for its whole
  // life, and gives them back when it goes.
  TestMode(DeviceSession& session, SettingsFields& fields, TestWindow& window);
  ~TestMode();
  TestMode(const TestMode&) = delete;
  TestMode& operator=(const TestMode&) = delete;

  void startTest();  // "Start Test"
  void endTest();    // "End Test"

  // A key typed into the status box.
  void keyTyped(const QString& text);
  // The serial port's receive notification.
  void serialReceived();
  // The serial port's device went away (unplugged, hung up).
  void serialLineLost();

 private:
  void Starttest();
  void lock();
  void unlock();
  // The window as "End Test" leaves it, the status box aside.
  void leaveTest();

  DeviceSession& session_;
  SettingsFields& fields_;
  TestWindow& window_;
  bool locked_ = false;
};

}  // namespace mv4700
