// Answers every identify of the serial search with arbitrary bytes. A port
// is taken only for a whole 10-byte reply that names the 4700.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/tampered_links.h"
#include "tests/support/test_clock.h"

using namespace mv4700;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray reply(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  testing::TestClock clock(0.01);
  SimHidLibrary hid(clock);
  SimSerialService serial(clock);
  serial.attachReader(1, ReaderModel::Kind::New);
  testing::TamperedSerial tampered(serial);
  tampered.armAfterOutputs = 0;
  tampered.tamper = [&reply](const QByteArray&) { return reply; };
  testing::RecordingStatusBox status;
  DeviceSession session(hid, tampered, status, clock);
  session.serial.Comsearch();

  if (session.serial.comPort == 0) {
    fuzzing::require(!serial.portOpen());
  } else {
    fuzzing::require(session.serial.comPort == 1);
    fuzzing::require(reply.size() == 10);
    fuzzing::require(reply.mid(3, 4) == "4700" || reply.mid(6, 4) == "4700");
    fuzzing::require(serial.portOpen());
  }
  return 0;
}
