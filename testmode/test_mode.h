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
  // Takes the serial port's receive notification for the whole run.
  TestMode(DeviceSession& session, SettingsFields& fields, TestWindow& window);

  void startTest();  // "Start Test"
  void endTest();    // "End Test"

  // A key typed into the status box.
  void keyTyped(const QString& text);
  // The serial port's receive notification.
  void serialReceived();

 private:
  void Starttest();
  void lock();
  void unlock();

  DeviceSession& session_;
  SettingsFields& fields_;
  TestWindow& window_;
  bool locked_ = false;
};

}  // namespace mv4700
