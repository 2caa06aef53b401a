#pragma once

#include <QString>
#include <functional>

namespace mv4700 {
class Clock;
class HidLibrary;
class SerialService;
}  // namespace mv4700

namespace mv4700::cli {

// The backends the command line talks through, and how to point each at the
// one device an option named.
struct Devices {
  HidLibrary& hid;
  SerialService& serial;
  Clock& clock;
  std::function<void(const QString& hidrawPath)> useOnlyUsbPath = [](const QString&) {};
  std::function<void(const QString& portPath)> useOnlySerialPath = [](const QString&) {};
  QString hidVersion = {};  // the HID library's version, for --version
};

}  // namespace mv4700::cli
