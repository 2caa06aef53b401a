#include "fleet/bench_search.h"

#include "fleet/parallel_probe.h"
#include "link/device_session.h"
#include "link/serial_service.h"
#include "seams/clock.h"
#include "seams/status_box.h"

namespace mv4700 {

std::vector<BenchReader> findBenchReaders(
    HidLibrary& hid, const std::function<std::unique_ptr<SerialService>()>& makePort,
    const std::function<std::unique_ptr<Clock>()>& makeClock, const BenchSearch& search,
    QStringList* hints) {
  std::vector<ListedReader> found;
  if (search.usb) {
    const std::unique_ptr<SerialService> unused = makePort();
    const std::unique_ptr<Clock> clock = makeClock();
    SilentStatusBox quiet;
    DeviceSession session(hid, *unused, quiet, *clock);
    session.shared.serialSearch = false;
    found = listReaders(session, hints);
  }
  if (search.serial) {
    const std::vector<ListedReader> serial =
        probeSerialSlots(makePort, makeClock, search.onlyBaudCode, hints, search.skipSlot);
    found.insert(found.end(), serial.begin(), serial.end());
  }
  std::vector<BenchReader> readers;
  for (const ListedReader& r : found) readers.push_back({r, benchReaderName(r)});
  return readers;
}

}  // namespace mv4700
