#pragma once

#include <QList>
#include <QString>

#include "seams/outcome.h"
#include "settings/field_differences.h"

namespace mv4700 {

class Dialogs;
struct DeviceSession;
class SettingsFields;

// A write that was read back: Done only when the reader holds every field as
// written. A difference makes it Failed; a read back that fails ends as that
// read ended.
struct VerifiedWrite {
  Outcome outcome = Outcome::Failed;
  bool compared = false;  // the settings were written and read back
  QList<FieldDifference> differences;
};

// Writes `fields` to the reader, reads its settings back and compares every
// field, the codes of the coded lists included.
VerifiedWrite writeVerifiedSettings(DeviceSession& session, const SettingsFields& fields);

// Resets the reader and reads its settings back: Done only when it holds the
// defaults. On RS232 the reader's answer to the reset says nothing, so only
// the read back tells a reset that reached it from one that was lost.
VerifiedWrite resetVerifiedSettings(DeviceSession& session, Dialogs& dialogs);

// "prefix: written "AB", read back """.
QString differenceLine(const FieldDifference& difference);

// The line once every field read back as written.
QString verifiedLine();

}  // namespace mv4700
