#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "fleet/bench_engine.h"
#include "fleet/bench_search.h"

namespace mv4700 {

// How a front end reaches the devices of a bench. Each call makes new
// backends, used by one thread alone.
struct BenchDevices {
  // The HID library; `onlyPath` non-empty: that device and no other.
  std::function<std::unique_ptr<HidLibrary>(const QString& onlyPath)> hid;
  // A serial port; `onlyPath` non-empty: COM `slot` is that port and no other
  // slot is used; empty: the COM slots as the system maps them.
  std::function<std::unique_ptr<SerialService>(const QString& onlyPath, int slot)> port;
  std::function<std::unique_ptr<Clock>()> clock;
};

// Each reader's own backends, reaching that reader only.
BackendsFor pinnedBackends(const BenchDevices& devices);

// Every reader on the bench now (see findBenchReaders).
std::vector<BenchReader> searchBench(const BenchDevices& devices, const BenchSearch& search = {});

// The version text `reader` reports, on backends of its own; empty when it
// does not answer. Prints nothing.
QString benchReaderVersion(const BenchReader& reader, const BackendsFor& backends);

}  // namespace mv4700
