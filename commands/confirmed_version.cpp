#include "commands/confirmed_version.h"

#include <QStringList>

#include "commands/commands.h"
#include "link/device_session.h"
#include "link/quiet_session.h"
#include "seams/status_box.h"

namespace mv4700 {

namespace {
constexpr int kMostReads = 3;
}  // namespace

Outcome readConfirmedVersion(DeviceSession& session) {
  const Outcome first = readVersion(session);
  if (first != Outcome::Done) return first;
  QStringList texts{session.replyText};
  QuietSession quiet(session);
  DeviceSession& again = quiet.session();
  for (int read = 2; read <= kMostReads; ++read) {
    if (readVersion(again) != Outcome::Done) continue;
    if (texts.contains(again.replyText)) {
      // The first read's text is on the status box already: a spoiled one
      // is followed by the text that counts.
      if (again.replyText != session.replyText) {
        session.replyText = again.replyText;
        session.status.printLine(QStringLiteral("Read firmware version again: ") +
                                 session.replyText);
        session.status.refresh();
      }
      return Outcome::Done;
    }
    texts << again.replyText;
  }
  session.replyText.clear();
  session.status.printLine(
      QStringLiteral("Read firmware version Error! No two of %1 reads gave the same version")
          .arg(kMostReads));
  session.status.refresh();
  return Outcome::Failed;
}

}  // namespace mv4700
