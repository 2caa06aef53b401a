#include "commands/verified_write.h"

#include <optional>
#include <utility>

#include "commands/commands.h"
#include "link/device_session.h"
#include "settings/plain_fields.h"

namespace mv4700 {

VerifiedWrite writeVerifiedSettings(DeviceSession& session, const SettingsFields& fields) {
  VerifiedWrite result;
  result.outcome = writeSettings(session, fields);
  if (result.outcome != Outcome::Done) return result;

  // The reader's serial line runs at the speed just written from now on (or
  // at its old one, if it keeps it): the read back tries every speed.
  const std::optional<int> pinned = std::exchange(session.serial.fixedBaudCode, std::nullopt);
  PlainFields back;
  result.outcome = readSettings(session, back);
  session.serial.fixedBaudCode = pinned;
  if (result.outcome != Outcome::Done) return result;
  result.compared = true;
  result.differences = settingsDifferences(fields, back);
  if (!result.differences.isEmpty()) result.outcome = Outcome::Failed;
  return result;
}

QString differenceLine(const FieldDifference& d) {
  return QStringLiteral("%1: written %2, read back %3").arg(d.key, d.written, d.read);
}

QString verifiedLine() {
  return QStringLiteral("verified: every field as written");
}

}  // namespace mv4700
