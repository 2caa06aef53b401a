#include "fleet/bench_devices.h"

#include "commands/commands.h"
#include "link/device_session.h"
#include "link/hid_library.h"
#include "link/serial_service.h"
#include "seams/clock.h"
#include "seams/status_box.h"

namespace mv4700 {

BackendsFor pinnedBackends(const BenchDevices& devices) {
  return [devices](const ListedReader& reader) {
    ReaderBackends b;
    b.clock = devices.clock();
    b.hid = devices.hid(reader.usb ? reader.path : QString());
    b.serial = devices.port(reader.usb ? QString() : reader.path, reader.comPort);
    return b;
  };
}

std::vector<BenchReader> searchBench(const BenchDevices& devices, const BenchSearch& search) {
  const std::unique_ptr<HidLibrary> hid = devices.hid(QString());
  return findBenchReaders(
      *hid, [&devices] { return devices.port(QString(), 0); }, devices.clock, search);
}

QString benchReaderVersion(const BenchReader& reader, const BackendsFor& backends) {
  const ReaderBackends b = backends(reader.where);
  SilentStatusBox quiet;
  DeviceSession session(*b.hid, *b.serial, quiet, *b.clock);
  pinToReader(session, reader.where);
  if (readVersion(session) != Outcome::Done) return {};
  return session.replyText.trimmed();
}

}  // namespace mv4700
