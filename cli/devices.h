#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

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
  // Whether a device path names something there (emulated devices have no node).
  std::function<bool(const QString& path)> deviceExists = [](const QString& path) {
    return QFileInfo::exists(path);
  };
  // Open pseudo-terminals that the serial search does not reach, for the
  // line `list` adds when no reader answered.
  std::function<QStringList()> unsearchedTerminals = [] { return QStringList(); };
  // For --all, where every reader has backends of its own: a serial port that
  // reaches only the port at `path` as COM `slot` (empty path: the usual COM
  // slots, for the search), and a clock. Unset: --all is not offered.
  std::function<std::unique_ptr<SerialService>(const QString& path, int slot)> serialPortAt = {};
  std::function<std::unique_ptr<Clock>()> makeClock = {};
};

}  // namespace mv4700::cli
