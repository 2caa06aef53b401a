#pragma once

#include <memory>

#include "fleet/bench_devices.h"
#include "link/hid_hidapi.h"
#include "link/serial_qt.h"
#include "seams/clock.h"

namespace mv4700 {

// The bench as an operator runs it: hidapi and the system's serial ports,
// each reader's pinned to that reader's device.
inline BenchDevices productBenchDevices() {
  BenchDevices devices;
  devices.hid = [](const QString& onlyPath) -> std::unique_ptr<HidLibrary> {
    auto hid = std::make_unique<HidapiLibrary>();
    hid->setOnlyPath(onlyPath.toStdString());
    return hid;
  };
  devices.port = [](const QString& onlyPath, int slot) -> std::unique_ptr<SerialService> {
    auto port = std::make_unique<QtSerialService>();
    if (!onlyPath.isEmpty()) port->setOnlyPort(onlyPath, slot);
    return port;
  };
  devices.clock = [] { return std::make_unique<SteadyClock>(); };
  return devices;
}

}  // namespace mv4700
