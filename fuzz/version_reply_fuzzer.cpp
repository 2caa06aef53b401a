// Replaces the reader's answer to the version command with arbitrary bytes,
// on USB or on RS232 (the first input byte chooses), and runs the command.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "commands/commands.h"
#include "fuzz/fuzz_checks.h"
#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/tampered_links.h"
#include "tests/support/test_clock.h"

using namespace mv4700;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool usb = data[0] & 1;
  const QByteArray reply(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));

  testing::TestClock clock(0.01);
  SimHidLibrary hid(clock);
  SimSerialService serial(clock);
  testing::TamperedHid tamperedHid(hid);
  testing::TamperedSerial tamperedSerial(serial);
  testing::RecordingStatusBox status;
  if (usb) {
    hid.addReader();
    // A library never returns more than the reports the reader sent.
    tamperedHid.tamper = [&reply](std::uint8_t* buffer, std::uint32_t& got) {
      got = std::min<std::uint32_t>(got, static_cast<std::uint32_t>(reply.size()));
      std::memcpy(buffer, reply.constData(), got);
    };
  } else {
    serial.attachReader(1, ReaderModel::Kind::New);
    tamperedSerial.tamper = [&reply](const QByteArray&) { return reply; };
  }
  DeviceSession session(tamperedHid, tamperedSerial, status, clock);
  readVersion(session);

  fuzzing::require(session.linkState().isEmpty());
  fuzzing::require(session.usb.hidDevice == 0);
  fuzzing::require(!serial.portOpen());
  return 0;
}
