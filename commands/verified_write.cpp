#include "commands/verified_write.h"

#include <optional>
#include <utility>

#include "commands/commands.h"
#include "link/device_session.h"
#include "settings/plain_fields.h"

namespace mv4700 {

namespace {

// Reads the settings back and compares them with `expected`. The reader's
// serial line runs at the speed just set from now on (or at its old one, if
// it keeps it): the read back tries every speed.
// A command that did not end Done leaves nothing to compare.
VerifiedWrite notCompared(Outcome outcome) {
  VerifiedWrite result;
  result.outcome = outcome;
  return result;
}

VerifiedWrite readBack(DeviceSession& session, const SettingsFields& expected) {
  VerifiedWrite result;
  const std::optional<int> pinned = std::exchange(session.serial.fixedBaudCode, std::nullopt);
  PlainFields back;
  result.outcome = readSettings(session, back);
  session.serial.fixedBaudCode = pinned;
  if (result.outcome != Outcome::Done) return result;
  result.compared = true;
  result.differences = settingsDifferences(expected, back);
  if (!result.differences.isEmpty()) result.outcome = Outcome::Failed;
  return result;
}

}  // namespace

VerifiedWrite writeVerifiedSettings(DeviceSession& session, const SettingsFields& fields) {
  const Outcome written = writeSettings(session, fields);
  if (written != Outcome::Done) return notCompared(written);
  return readBack(session, fields);
}

VerifiedWrite resetVerifiedSettings(DeviceSession& session, Dialogs& dialogs) {
  const Outcome reset = resetReader(session, dialogs);
  if (reset != Outcome::Done) return notCompared(reset);
  return readBack(session, PlainFields());
}

QString differenceLine(const FieldDifference& d) {
  return QStringLiteral("%1: written %2, read back %3").arg(d.key, d.written, d.read);
}

QString verifiedLine() {
  return QStringLiteral("verified: every field as written");
}

}  // namespace mv4700
