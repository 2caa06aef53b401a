#include "firmware/flash_verify.h"

#include <algorithm>

#include "commands/confirmed_version.h"
#include "link/device_session.h"
#include "link/quiet_session.h"
#include "seams/clock.h"

namespace mv4700 {

namespace {
constexpr double kRetrySeconds = 1.0;
}  // namespace

FlashVerdict awaitFlashedVersion(DeviceSession& session, const QString& expected, double seconds) {
  // The tries run quietly on the same backends and the same device, at any
  // speed, and a text counts once two reads agree on it.
  QuietSession quiet(session);
  DeviceSession& probe = quiet.session();
  probe.serial.fixedBaudCode.reset();
  probe.usb.pinTo(session.flashedUsbLocation);
  Clock& clock = session.clock;
  const double deadline = clock.seconds() + seconds;
  for (;;) {
    if (readConfirmedVersion(probe) == Outcome::Done && !probe.replyText.isEmpty()) {
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
