#pragma once

#include <QStringList>

#include "link/device_session.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "sim/sim_hid.h"
#include "tests/link/core_application.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {

// What an operator's run meets: mv4700-sim serving one reader on a
// pseudo-terminal mapped to COM<slot>, the product serial backend, no USB
// reader and the steady clock. The slot mapping ends with the object, also
// when a test stops early.
class EmulatedSerialSession {
 public:
  explicit EmulatedSerialSession(const QStringList& simArguments, int slot = 1)
      : reader(MV4700_SIM_PATH, simArguments) {
    qputenv("MV4700_COM_PORTS", (QString(slot - 1, u',') + reader.path()).toLocal8Bit());
  }
  ~EmulatedSerialSession() { qunsetenv("MV4700_COM_PORTS"); }
  EmulatedSerialSession(const EmulatedSerialSession&) = delete;
  EmulatedSerialSession& operator=(const EmulatedSerialSession&) = delete;

  bool started() const { return !reader.path().isEmpty(); }

 private:
  // The port's notifiers need an application object; made before anything else.
  struct Application {
    Application() { ensureCoreApplication(); }
  } application_;

 public:
  SimulatedReader reader;
  SteadyClock clock;
  SimHidLibrary noUsb{clock};
  QtSerialService serial;
  RecordingStatusBox box;
  DeviceSession session{noUsb, serial, box, clock};
};

}  // namespace mv4700::testing
