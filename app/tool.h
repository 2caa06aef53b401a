#pragma once

#include <QObject>
#include <memory>

#include "fleet/bench_devices.h"

namespace mv4700 {

class Clock;
class Form1;
class HidLibrary;
class SerialService;

// The tool behind the main window: the device session, the file chooser with
// its pending action, the firmware image and test mode, and the menu items
// that run them, and the "All readers" view over `bench` (none: the item is
// disabled). The window, the links and the clock must outlive it.
class Tool : public QObject {
  Q_OBJECT
 public:
  Tool(Form1& window, HidLibrary& hid, SerialService& serial, Clock& clock,
       BenchDevices bench = {});
  ~Tool() override;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace mv4700
