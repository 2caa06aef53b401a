#include <QJsonObject>
#include <memory>
#include <optional>

#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/signals.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "cli/terminal_size.h"
#include "firmware/firmware_image.h"
#include "firmware/flash_verify.h"
#include "firmware/fwupdate.h"
#include "firmware/transfer_watch.h"
#include "link/device_session.h"
#include "seams/clock.h"

namespace mv4700::cli {

namespace {

constexpr double kRedrawSeconds = 0.1;
// How long a flashed reader may take to answer again: its program starts, and
// a USB reader comes back on the bus.
constexpr int kVerifySeconds = 20;

// Follows the transfer: a progress bar on a terminal, and Ctrl+C. Before the
// erase a press stops at once: nothing is lost yet. From the erase on the
// first press is answered with the warning, and only a press after it stops;
// the transfer then runs its closing steps.
class FlashWatch final : public TransferWatch {
 public:
  FlashWatch(RunContext& run, bool bar) : run_(run), clock_(run.devices.clock), bar_(bar) {}

  void progress(std::int64_t sent, std::int64_t total) override {
    const double now = clock_.seconds();
    if (!sending_) {
      sending_ = true;
      start_ = now;
    }
    if (!bar_ || (now - lastDraw_ < kRedrawSeconds && sent < total)) return;
    lastDraw_ = now;
    run_.status.showProgress(sent, total, now - start_, terminalColumns(::fileno(run_.io.err)),
                             dumb_);
  }

  bool stopRequested() override {
    const int presses = InterruptCatcher::count();
    if (!erasing_) {
      // Asked once before the erase.
      if (presses > 0) return stopped_ = true;
      erasing_ = true;
      warning_.emplace();
      return false;
    }
    return stopped_ = presses >= 2;
  }

  bool stopped() const { return stopped_; }
  bool erasing() const { return erasing_; }

 private:
  RunContext& run_;
  Clock& clock_;
  bool bar_;
  bool dumb_ = dumbTerminal();
  bool erasing_ = false;
  bool sending_ = false;
  bool stopped_ = false;
  std::optional<TransferWarning> warning_;
  double start_ = 0;
  double lastDraw_ = -1;
};

// After an update the reader must say it holds the image: exit 0 means that.
int verifyFlashed(RunContext& run, const QString& expected) {
  const FlashVerdict verdict = awaitFlashedVersion(run.session, expected, kVerifySeconds);
  QJsonObject& json = run.output.fields();
  json[QStringLiteral("verified")] = verdict.kind == FlashVerdict::Kind::Verified;
  switch (verdict.kind) {
    case FlashVerdict::Kind::Verified:
      run.output.line(QStringLiteral("Verified: the reader reports ") + verdict.reported);
      return exit_status::kDone;
    case FlashVerdict::Kind::Mismatch:
      json[QStringLiteral("expected")] = expected;
      json[QStringLiteral("reported")] = verdict.reported;
      run.output.line(QStringLiteral("Verify failed: the reader reports %1, the image holds %2")
                          .arg(verdict.reported, expected));
      return exit_status::kReaderFailed;
    case FlashVerdict::Kind::NotBack:
      break;
  }
  json[QStringLiteral("expected")] = expected;
  run.output.line(QStringLiteral("Verify failed: the reader did not come back within %1 s")
                      .arg(kVerifySeconds));
  return exit_status::kReaderFailed;
}

}  // namespace

int runFlash(RunContext& run) {
  const InterruptCatcher catcher;
  const auto image = std::make_unique<FirmwareImage>();
  FlashWatch watch(run, run.io.errIsTerminal);
  const Outcome outcome =
      run.invocation.rescue
          ? Fwrescue(run.session, *image, run.dialogs, run.invocation.file, &watch)
          : Fwupdate(run.session, *image, run.dialogs, run.invocation.file, &watch);
  run.status.finish();
  if (watch.stopped()) {
    run.status.note(watch.erasing()
                        ? QStringLiteral("mv4700: firmware update stopped; the reader has no "
                                         "working program until an update finishes.")
                        : QStringLiteral("mv4700: stopped before the erase; the reader keeps "
                                         "its program."));
    run.output.fields()[QStringLiteral("stopped")] = true;
    return exit_status::kInterrupted;
  }
  if (outcome != Outcome::Done) return run.exitStatus(outcome);
  return verifyFlashed(run, image->fwText);
}

}  // namespace mv4700::cli
