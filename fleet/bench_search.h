#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "fleet/bench_reader.h"

namespace mv4700 {

class Clock;
class HidLibrary;
class SerialService;

// How the bench looks for its readers.
struct BenchSearch {
  bool usb = true;
  bool serial = true;
  std::optional<int> onlyBaudCode;         // the one speed the serial probes try
  std::function<bool(int slot)> skipSlot;  // COM slots of readers being served
};

// Every reader on the bench: each USB reader that answers the identify, then
// every COM slot probed at once. `hid` lists the USB readers; `makePort` and
// `makeClock` give each probing thread its own port and clock. `hints` gets
// each refused device's permission hint once.
std::vector<BenchReader> findBenchReaders(
    HidLibrary& hid, const std::function<std::unique_ptr<SerialService>()>& makePort,
    const std::function<std::unique_ptr<Clock>()>& makeClock, const BenchSearch& search,
    QStringList* hints = nullptr);

}  // namespace mv4700
