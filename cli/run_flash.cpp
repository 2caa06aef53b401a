#include <QJsonObject>
#include <memory>

#include "cli/interrupts.h"
#include "cli/output.h"
#include "cli/progress_bar.h"
#include "cli/run_context.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "firmware/transfer_watch.h"
#include "link/device_session.h"
#include "seams/clock.h"

namespace mv4700::cli {

namespace {

constexpr double kRedrawSeconds = 0.1;

// Follows the transfer: a progress bar on a terminal, and Ctrl+C. Once the
// reader's program is being replaced, the first Ctrl+C only warns; the second
// stops, and the transfer then runs its closing steps.
class FlashWatch final : public TransferWatch {
 public:
  FlashWatch(RunContext& run, bool bar) : run_(run), clock_(run.devices.clock), bar_(bar) {}

  void progress(std::int64_t sent, std::int64_t total) override {
    const double now = clock_.seconds();
    if (!started_) {
      started_ = true;
      start_ = now;
    }
    if (!bar_ || (now - lastDraw_ < kRedrawSeconds && sent < total)) return;
    lastDraw_ = now;
    run_.status.showProgress(progressBarText(sent, total, now - start_));
  }

  bool stopRequested() override {
    const int presses = InterruptCatcher::count();
    if (presses == 0) return false;
    // Before the erase nothing is lost: one Ctrl+C is enough.
    if (!started_ || presses >= 2) {
      stopped_ = true;
      return true;
    }
    if (!warned_) {
      warned_ = true;
      run_.status.note(QStringLiteral(
          "mv4700: the firmware transfer is still running. Stopping it leaves the reader "
          "without a working program until a new update finishes. Press Ctrl+C again to stop."));
    }
    return false;
  }

  bool stopped() const { return stopped_; }
  bool started() const { return started_; }

 private:
  RunContext& run_;
  Clock& clock_;
  bool bar_;
  bool started_ = false;
  bool warned_ = false;
  bool stopped_ = false;
  double start_ = 0;
  double lastDraw_ = -1;
};

}  // namespace

int runFlash(RunContext& run) {
  const InterruptCatcher catcher;
  const auto image = std::make_unique<FirmwareImage>();
  FlashWatch watch(run, run.io.errIsTerminal);
  const Outcome outcome = Fwupdate(run.session, *image, run.dialogs, run.invocation.file, &watch);
  run.status.finish();
  if (watch.stopped()) {
    run.status.note(watch.started()
                        ? QStringLiteral("mv4700: firmware update stopped; the reader has no "
                                         "working program until an update finishes.")
                        : QStringLiteral("mv4700: stopped before the erase; the reader keeps "
                                         "its program."));
    run.output.fields()[QStringLiteral("stopped")] = true;
  }
  return run.exitStatus(outcome);
}

}  // namespace mv4700::cli
