#include "fleet/bench_jobs.h"

#include <memory>

#include "commands/commands.h"
#include "commands/verified_write.h"
#include "firmware/firmware_image.h"
#include "firmware/flash_verify.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "seams/dialogs.h"
#include "seams/status_box.h"
#include "settings/plain_fields.h"

namespace mv4700 {

namespace {

// The answer the operator gave once for the whole bench.
class AnsweredOk final : public Dialogs {
 public:
  Answer show(Icon, Buttons, const QString&, const QString&) override { return Answer::Ok; }
};

PlainFields copyOf(const SettingsFields& fields) {
  PlainFields copy;
  for (Field f : kAllFields) {
    copy.setText(f, fields.text(f));
    copy.setTag(f, fields.tag(f));
    copy.setValue(f, fields.value(f));
    copy.setEnabled(f, fields.enabled(f));
    copy.setVisible(f, fields.visible(f));
  }
  return copy;
}

void say(DeviceSession& session, const QString& line) {
  session.status.printLine(line);
  session.status.refresh();
}

// After the flash: the reader's program answers with the image's version.
Outcome checkFlashedVersion(DeviceSession& session, const QString& expected) {
  const FlashVerdict verdict = awaitFlashedVersion(session, expected, kFlashedVersionSeconds);
  switch (verdict.kind) {
    case FlashVerdict::Kind::Verified:
      say(session, QStringLiteral("Version after the update: ") + verdict.reported);
      return Outcome::Done;
    case FlashVerdict::Kind::Mismatch:
      say(session, QStringLiteral("Version after the update: %1, not the image's %2")
                       .arg(verdict.reported, expected.trimmed()));
      return Outcome::Failed;
    case FlashVerdict::Kind::NotBack:
      break;
  }
  say(session, QStringLiteral("No answer after the update"));
  return Outcome::Failed;
}

}  // namespace

ReaderJob writeSettingsJob(const SettingsFields& fields) {
  const auto written = std::make_shared<const PlainFields>(copyOf(fields));
  return [written](DeviceSession& session, TransferWatch&) {
    const VerifiedWrite result = writeVerifiedSettings(session, *written);
    for (const FieldDifference& d : result.differences) say(session, differenceLine(d));
    if (result.compared && result.differences.isEmpty()) say(session, verifiedLine());
    return ReaderJobResult{result.outcome, 0};
  };
}

ReaderJob readVersionJob() {
  return [](DeviceSession& session, TransferWatch&) {
    return ReaderJobResult{readVersion(session), 0};
  };
}

ReaderJob resetJob() {
  return [](DeviceSession& session, TransferWatch&) {
    AnsweredOk confirmed;
    return ReaderJobResult{resetReader(session, confirmed), 0};
  };
}

ReaderJob flashJob(const FirmwareImage& image) {
  const auto checked = std::make_shared<const FirmwareImage>(image);
  return [checked](DeviceSession& session, TransferWatch& watch) {
    const auto own = std::make_unique<FirmwareImage>(*checked);
    Outcome outcome = flashCheckedImage(session, *own, &watch);
    if (outcome == Outcome::Done && !watch.stopRequested())
      outcome = checkFlashedVersion(session, checked->fwText);
    return ReaderJobResult{outcome, 0};
  };
}

QString benchSummary(int readers, int done, int failed, int declined) {
  QString line = QStringLiteral("%1 %2: %3 done, %4 failed")
                     .arg(readers)
                     .arg(readers == 1 ? QStringLiteral("reader") : QStringLiteral("readers"))
                     .arg(done)
                     .arg(failed);
  if (declined > 0) line += QStringLiteral(", %1 declined").arg(declined);
  return line;
}

}  // namespace mv4700
