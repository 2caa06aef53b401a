#include "firmware/flash_verify.h"

#include <algorithm>

#include "commands/commands.h"
#include "link/device_session.h"
#include "seams/clock.h"
#include "seams/status_box.h"

namespace mv4700 {

namespace {
constexpr double kRetrySeconds = 1.0;
}  // namespace

FlashVerdict awaitFlashedVersion(DeviceSession& session, const QString& expected, double seconds) {
  // The tries run quietly on the same backends and the same device.
  SilentStatusBox quiet;
  DeviceSession probe(session.usb.library(), session.serial.port(), quiet, session.clock);
  probe.shared.usbSearch = session.shared.usbSearch;
  probe.shared.serialSearch = session.shared.serialSearch;
  probe.usb.pinTo(session.flashedUsbLocation);
  Clock& clock = session.clock;
  const double deadline = clock.seconds() + seconds;
  for (;;) {
    if (readVersion(probe) == Outcome::Done && !probe.replyText.isEmpty()) {
      const QString reported = probe.replyText.trimmed();
      return {reported == expected.trimmed() ? FlashVerdict::Kind::Verified
                                             : FlashVerdict::Kind::Mismatch,
              reported};
    }
    const double now = clock.seconds();
    if (now >= deadline) return {};
    clock.sleepUntil(std::min(deadline, now + kRetrySeconds));
  }
}

}  // namespace mv4700
