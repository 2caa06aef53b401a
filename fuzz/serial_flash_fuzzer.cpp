// Feeds arbitrary loader replies to the RS232 firmware flash: the loader's
// ready byte, the acknowledge after the update command, the speed change and
// every frame, early, late, split or noisy. The first input byte chooses the
// update of a running reader or the rescue of one left in its loader (bit 0)
// and the image length (the rest); the other bytes are the line's script (see
// ScriptedLoaderLine). Every wait runs on the test clock.
#include <cstddef>
#include <cstdint>
#include <span>

#include "firmware/erase_command.h"
#include "firmware/firmware_image.h"
#include "firmware/serial_transfer.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/scripted_loader_line.h"
#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/test_clock.h"

using namespace mv4700;

namespace {

const QString kFinished = QStringLiteral("4700-01 firmware update Finished!");

QByteArray eraseCommand() {
  return QByteArray(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size());
}

// What the tool sends from the erase (update) or the port's opening (rescue)
// on, when every reply was the acknowledge.
QByteArray wholeTransfer(const FirmwareImage& image, bool rescue) {
  QByteArray sent = rescue ? QByteArray() : eraseCommand();
  sent += QByteArray("\x1B\xA8\x02\xFA", 4);
  for (int k = 0; k < image.fwLength; ++k)
    sent.append(static_cast<char>(image.byteAt(k))).append('\x55');
  return sent + QByteArray("\xFF\xAA", 2);
}

// The longest the command may take on the clock: every wait it makes run out,
// with room for the search and the clock's step per call.
double longestRun(const FirmwareImage& image, bool rescue) {
  const double waits = (rescue ? 60.0 : 1.0 + 6.0) + 1.0 + 1.0 + 2.0 * (image.fwLength + 1);
  return 1.2 * waits + 30.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool rescue = data[0] & 1;
  FirmwareImage image;
  image.fwLength = 1 + (data[0] >> 1);
  for (int k = 0; k < image.fwLength; ++k)
    image.fwImage[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k * 37 + 11);

  testing::TestClock clock(0.05);
  SimHidLibrary hid(clock);
  SimSerialService serial(clock);
  serial.attachReader(1, ReaderModel::Kind::New);
  fuzzing::ScriptedLoaderLine line(serial, std::span(data + 1, size - 1));
  line.arm(rescue ? QByteArray() : eraseCommand());
  testing::RecordingStatusBox status;
  DeviceSession session(hid, line, status, clock);

  const double start = clock.peek();
  const Outcome outcome =
      rescue ? serialFirmwareRescue(session, image) : serialFirmwareTransfer(session, image);

  fuzzing::require(clock.peek() - start <= longestRun(image, rescue));
  fuzzing::require(!serial.portOpen());
  const bool finishedShown = status.lines.contains(kFinished);
  if (outcome == Outcome::Done) {
    // Done only when every frame went out and each wait took the acknowledge.
    fuzzing::require(line.sentWhileArmed == wholeTransfer(image, rescue));
    fuzzing::require(line.acknowledgesTaken >= image.fwLength + (rescue ? 3 : 4));
    fuzzing::require(finishedShown);
  } else {
    fuzzing::require(outcome == Outcome::Failed || (rescue && outcome == Outcome::NoReader));
    fuzzing::require(!finishedShown);
  }
  return 0;
}
